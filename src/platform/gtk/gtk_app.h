#pragma once

#include "gobject_ptr.h"
#include "platform/application.h"

#include <gtk/gtk.h>

namespace vorl {

// The application as a GtkApplication with the id no.vorl.Vorudi: one instance per session.
// A second start hands its activation to the first, which brings its window to the front.
class GtkApp final : public Application {
public:
    GtkApp();
    GtkApp(const GtkApp&) = delete;
    GtkApp& operator=(const GtkApp&) = delete;
    ~GtkApp() override;

    void setDelegate(ApplicationDelegate& delegate) override;
    int run() override;
    void terminate() override;
    void activateIgnoringOtherApps() override;
    void setMainMenu(const std::vector<Menu>& menus, MenuTarget& target) override;
    void setMenuActionEnabled(MenuAction action, bool enabled) override;
    void orderFrontStandardAboutPanel(const AboutPanel& about) override;
    void hide() override;

    GtkApplication* gtkApplication() const { return application.get(); }
    // The menu's shortcuts that keep working from the application's dialogs (GtkShortcut
    // items); filled by setMainMenu, alive as long as this object.
    GListModel* sheetShortcuts() const { return G_LIST_MODEL(dialogShortcuts.get()); }

private:
    static void onRegistered(GObject*, GParamSpec*, gpointer self);
    static void onStartup(GApplication*, gpointer self);
    static void onActivate(GApplication*, gpointer self);
    static void onShutdown(GApplication*, gpointer self);
    static gboolean onTerminationSignal(gpointer self);
    GtkWindow* mainWindow() const;

    GObjectPtr<GtkApplication> application;
    GObjectPtr<GListStore> dialogShortcuts;
    GObjectPtr<GtkWindow> aboutBox;
    ApplicationDelegate* delegate = nullptr;
    bool registered = false;
    bool launched = false;
    std::vector<guint> signalSources;
};

} // namespace vorl
