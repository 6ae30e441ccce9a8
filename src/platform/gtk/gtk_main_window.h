#pragma once

#include "gobject_ptr.h"
#include "platform/sheet_queue.h"
#include "platform/window.h"
#include "window_frame_store.h"

#include <gtk/gtk.h>

#include <memory>

namespace vorl {

// The application's main window: a GtkApplicationWindow with the menu bar above its content.
class GtkMainWindow final : public Window {
public:
    GtkMainWindow(GtkApplication* application, Size contentSize);
    GtkMainWindow(const GtkMainWindow&) = delete;
    GtkMainWindow& operator=(const GtkMainWindow&) = delete;
    ~GtkMainWindow() override;

    void setTitle(const std::string& title) override;
    void setAppearance(Appearance appearance) override;
    void setBackgroundColor(Color color) override;
    void setMinSize(Size size) override;
    void setContentView(WebView& view) override;
    void setFrameAutosaveName(const std::string& name) override;
    void makeKeyAndOrderFront() override;
    void miniaturize() override;
    void zoom() override;
    void toggleFullScreen() override;
    void beginAlertSheet(const Alert& alert, AlertCompletion completion) override;
    void beginOpenPanelSheet(const OpenPanel& panel, OpenPanelCompletion completion) override;
    void beginSavePanelSheet(const SavePanel& panel, SavePanelCompletion completion) override;

private:
    static gboolean onCloseRequest(GtkWindow*, gpointer self);
    static void onDestroy(GtkWidget*, gpointer self);

    GObjectPtr<GtkWindow> window;
    GObjectPtr<GtkCssProvider> style;
    std::unique_ptr<WindowFrameStore> frameStore;
    SheetQueue sheets;
};

} // namespace vorl
