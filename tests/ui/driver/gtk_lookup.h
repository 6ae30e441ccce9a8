#pragma once

// Finding the application's windows, widgets and actions from outside it, on the main thread.

#include <gtk/gtk.h>
#include <string>
#include <string_view>
#include <vector>
#include <webkit/webkit.h>

namespace vorl::test_driver {

// All GtkWindows of the process, visible or not. The pointers stay valid until the main loop runs again.
std::vector<GtkWindow*> toplevelWindows();

// The first GtkApplicationWindow holding a web view, else the first GtkApplicationWindow, else null.
GtkWindow* mainWindow();
int applicationWindowCount();
WebKitWebView* findWebView(GtkWindow* window);
// The process's GtkApplication, or null before it exists.
GtkApplication* application();

// A short id ("w3") given to a window the first time the driver reports it; ids are never reused.
std::string windowId(GtkWindow* window);
// The window with that id, or null once it has been destroyed.
GtkWindow* windowWithId(std::string_view id);
// The window named by the request's "id"; raises CommandError when none has it.
GtkWindow* requireWindow(JSCValue* request);

// The text entry a dialog asks the user to fill in: for a message dialog, the one in its message area.
GtkEntry* dialogEntry(GtkWindow* dialog);

// The text a user sees for a mnemonic label: "_Lagre" → "Lagre", "a__b" → "a_b".
std::string withoutMnemonics(std::string_view label);

// Where a menu-style action name ("app.zoomIn", "win.close") lives.
struct ActionLocation {
    GActionGroup* group = nullptr; // null when neither the application nor a main window exists
    std::string name;              // without the "app." / "win." prefix
};

// "app.x" resolves on the application, "win.x" on the main window.
ActionLocation locateAction(std::string_view prefixedName);

// Depth-first search through a widget's descendants (the widget itself excluded).
template <typename Predicate> GtkWidget* findDescendant(GtkWidget* root, const Predicate& matches) {
    for (GtkWidget* child = gtk_widget_get_first_child(root); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        if (matches(child))
            return child;
        if (GtkWidget* found = findDescendant(child, matches))
            return found;
    }
    return nullptr;
}

template <typename Visitor> void forEachDescendant(GtkWidget* root, const Visitor& visit) {
    for (GtkWidget* child = gtk_widget_get_first_child(root); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        visit(child);
        forEachDescendant(child, visit);
    }
}

} // namespace vorl::test_driver
