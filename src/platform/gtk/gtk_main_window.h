#pragma once

#include "gobject_ptr.h"
#include "gtk_sheets.h"
#include "platform/sheet_queue.h"
#include "platform/window.h"

#include <gtk/gtk.h>

namespace vorl {

// The application's main window: a GtkApplicationWindow with the menu bar above its content.
class GtkMainWindow final : public Window {
public:
    // shortcuts: the application's, which its sheets let through; it outlives the window.
    GtkMainWindow(GtkApplication* application, GListModel* shortcuts,
                  const WindowConfiguration& configuration);
    GtkMainWindow(const GtkMainWindow&) = delete;
    GtkMainWindow& operator=(const GtkMainWindow&) = delete;
    ~GtkMainWindow() override;

    void setTitle(const std::string& title) override;
    void setBackgroundColor(Color color) override;
    void setMinSize(Size size) override;
    void setContentView(WebView& view) override;
    void setFrameStore(WindowFrameStore& store) override;
    Size frameSize() override;
    void setFrameSize(Size size) override;
    std::optional<Size> screenArea() override;
    void makeKeyAndOrderFront() override;
    void miniaturize() override;
    void toggleMaximized() override;
    void toggleFullScreen() override;
    void beginAlertSheet(const Alert& alert, AlertCompletion completion) override;
    void beginOpenPanelSheet(const OpenPanel& panel, OpenPanelCompletion completion) override;
    void beginSavePanelSheet(const SavePanel& panel, SavePanelCompletion completion) override;
    void endSheets() override;

private:
    static gboolean onCloseRequest(GtkWindow*, gpointer self);
    static void onDestroy(GtkWidget*, gpointer self);
    void saveFrame();
    SheetParent sheetParent() const;
    void setContentBlocked(bool blocked);
    void settleFirstFrame();
    void growByMenuBar();

    GObjectPtr<GtkWindow> window;
    GObjectPtr<GtkCssProvider> style;
    int contentWidth;
    int contentHeight; // on a first run, until the window is first shown; else 0
    WindowFrameStore* frameStore = nullptr;
    GListModel* applicationShortcuts;
    bool darkAppearance; // until the window is first shown
    bool destroyed = false;
    SheetQueue sheets;
};

} // namespace vorl
