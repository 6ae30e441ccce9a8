#include "gtk_app.h"

#include "accelerators.h"
#include "gtk_sheets.h"

#include <glib-unix.h>

#include <csignal>

namespace vorl {
namespace {

// The application's id on the session bus, its window class and its icon's name.
constexpr const char* applicationId = "no.vorl.Vorudi";

struct ActionBinding {
    MenuTarget* target;
    MenuAction action;
};

void onMenuAction(GSimpleAction*, GVariant*, gpointer data) {
    auto* binding = static_cast<ActionBinding*>(data);
    binding->target->performMenuAction(binding->action);
}

// A shortcut that activates the application's action, as the main window's own accelerators do.
GtkShortcut* newActionShortcut(GApplication* application, const std::string& accelerator, const char* name) {
    GtkShortcutAction* action = gtk_callback_action_new(
        [](GtkWidget*, GVariant*, gpointer data) -> gboolean {
            auto* binding = static_cast<std::pair<GApplication*, std::string>*>(data);
            GActionGroup* actions = G_ACTION_GROUP(binding->first);
            if (!g_action_group_get_action_enabled(actions, binding->second.c_str()))
                return FALSE;
            g_action_group_activate_action(actions, binding->second.c_str(), nullptr);
            return TRUE;
        },
        new std::pair<GApplication*, std::string>(application, name),
        [](gpointer data) { delete static_cast<std::pair<GApplication*, std::string>*>(data); });
    return gtk_shortcut_new(gtk_shortcut_trigger_parse_string(accelerator.c_str()), action);
}

} // namespace

GtkApp::GtkApp() : dialogShortcuts(GObjectPtr<GListStore>::adopt(g_list_store_new(GTK_TYPE_SHORTCUT))) {
    // The window's class on X11, which desktops match against no.vorl.Vorudi.desktop.
    g_set_prgname(applicationId);
    application =
        GObjectPtr<GtkApplication>::adopt(gtk_application_new(applicationId, G_APPLICATION_DEFAULT_FLAGS));
    g_signal_connect(application.get(), "notify::is-registered", G_CALLBACK(onRegistered), this);
    g_signal_connect(application.get(), "startup", G_CALLBACK(onStartup), this);
    g_signal_connect(application.get(), "activate", G_CALLBACK(onActivate), this);
    g_signal_connect(application.get(), "shutdown", G_CALLBACK(onShutdown), this);
}

GtkApp::~GtkApp() {
    if (aboutBox)
        gtk_window_destroy(aboutBox.get());
    for (guint source : signalSources)
        g_source_remove(source);
    g_signal_handlers_disconnect_by_data(application.get(), this);
}

void GtkApp::setDelegate(ApplicationDelegate& newDelegate) {
    delegate = &newDelegate;
}

int GtkApp::run() {
    return g_application_run(G_APPLICATION(application.get()), 0, nullptr);
}

void GtkApp::terminate() {
    g_application_quit(G_APPLICATION(application.get()));
}

// Registration tells, before the toolkit starts, whether this is the instance that will run;
// GApplication then emits startup and activate without running the main loop in between.
void GtkApp::onRegistered(GObject*, GParamSpec*, gpointer self) {
    auto* app = static_cast<GtkApp*>(self);
    GApplication* application = G_APPLICATION(app->application.get());
    if (app->registered || !g_application_get_is_registered(application) ||
        g_application_get_is_remote(application))
        return;
    app->registered = true;
    app->delegate->applicationWillFinishLaunching();
}

void GtkApp::onStartup(GApplication*, gpointer self) {
    auto* app = static_cast<GtkApp*>(self);
    gtk_window_set_default_icon_name(applicationId);
    // A polite kill (logout, Ctrl+C in a terminal) ends the application like its quit command.
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        app->signalSources.push_back(g_unix_signal_add(signal, onTerminationSignal, app));
}

gboolean GtkApp::onTerminationSignal(gpointer self) {
    static_cast<GtkApp*>(self)->terminate();
    return G_SOURCE_CONTINUE;
}

void GtkApp::onActivate(GApplication*, gpointer self) {
    auto* app = static_cast<GtkApp*>(self);
    if (app->launched) {
        app->activateIgnoringOtherApps();
        return;
    }
    app->launched = true;
    if (!app->delegate->applicationShouldTerminateAfterLastWindowClosed())
        g_application_hold(G_APPLICATION(app->application.get()));
    app->delegate->applicationDidFinishLaunching();
}

void GtkApp::onShutdown(GApplication*, gpointer self) {
    auto* app = static_cast<GtkApp*>(self);
    if (app->launched)
        app->delegate->applicationWillTerminate();
}

GtkWindow* GtkApp::mainWindow() const {
    return gtk_application_get_active_window(application.get());
}

void GtkApp::activateIgnoringOtherApps() {
    if (GtkWindow* window = mainWindow())
        gtk_window_present(window);
}

void GtkApp::setMainMenu(const std::vector<Menu>& menus, MenuTarget& target) {
    // GTK keeps no list of windows in a menu, so "Vindu" is an ordinary menu here.
    auto menuBar = GObjectPtr<GMenu>::adopt(g_menu_new());
    for (const Menu& menu : menus) {
        auto submenu = GObjectPtr<GMenu>::adopt(g_menu_new());
        auto section = GObjectPtr<GMenu>::adopt(g_menu_new());
        auto closeSection = [&] {
            g_menu_append_section(submenu.get(), nullptr, G_MENU_MODEL(section.get()));
            section = GObjectPtr<GMenu>::adopt(g_menu_new());
        };
        for (const auto& item : menu.items) {
            if (!item) {
                closeSection();
                continue;
            }
            std::string detailedName = std::string("app.") + actionName(item->action);
            g_menu_append(section.get(), item->title.c_str(), detailedName.c_str());

            g_autoptr(GSimpleAction) action = g_simple_action_new(actionName(item->action), nullptr);
            g_simple_action_set_enabled(action, item->enabled);
            g_signal_connect_data(
                action, "activate", G_CALLBACK(onMenuAction), new ActionBinding{&target, item->action},
                [](gpointer data, GClosure*) { delete static_cast<ActionBinding*>(data); }, GConnectFlags{});
            g_action_map_add_action(G_ACTION_MAP(application.get()), G_ACTION(action));

            std::vector<std::string> accelerators = gtkAccelerators(*item);
            std::vector<const char*> names;
            for (const auto& accelerator : accelerators)
                names.push_back(accelerator.c_str());
            names.push_back(nullptr);
            gtk_application_set_accels_for_action(application.get(), detailedName.c_str(), names.data());
            // A dialog lets through the shortcuts that edit no text; its own fields take the others.
            if (item->editsText)
                continue;
            for (const auto& accelerator : accelerators) {
                g_autoptr(GtkShortcut) shortcut = newActionShortcut(G_APPLICATION(application.get()),
                                                                    accelerator, actionName(item->action));
                g_list_store_append(dialogShortcuts.get(), shortcut);
            }
        }
        closeSection();
        g_menu_append_submenu(menuBar.get(), menu.title.c_str(), G_MENU_MODEL(submenu.get()));
    }
    gtk_application_set_menubar(application.get(), G_MENU_MODEL(menuBar.get()));
}

void GtkApp::setMenuActionEnabled(MenuAction action, bool enabled) {
    GAction* found = g_action_map_lookup_action(G_ACTION_MAP(application.get()), actionName(action));
    if (found && G_IS_SIMPLE_ACTION(found))
        g_simple_action_set_enabled(G_SIMPLE_ACTION(found), enabled);
}

void GtkApp::orderFrontStandardAboutPanel(const AboutPanel& about) {
    // An ordinary window beside the main one, as the about panel is elsewhere: it asks for
    // nothing, so it blocks nothing and stands apart from the window's sheets. One of it at a time.
    if (!aboutBox) {
        aboutBox = GObjectPtr<GtkWindow>::retain(GTK_WINDOW(g_object_new(
            GTK_TYPE_ABOUT_DIALOG, "title", about.title.c_str(), "program-name", about.programName.c_str(),
            "version", about.version.c_str(), "comments", about.comments.c_str(), "logo-icon-name",
            applicationId, "hide-on-close", TRUE, nullptr)));
        gtk_window_set_transient_for(aboutBox.get(), mainWindow());
        keepApplicationUsable(aboutBox.get(), sheetShortcuts());
    }
    gtk_window_present(aboutBox.get());
}

void GtkApp::hide() {
    if (GtkWindow* window = mainWindow())
        gtk_window_minimize(window);
}

} // namespace vorl
