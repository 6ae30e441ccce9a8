#include "gtk_lookup.h"

#include "command_args.h"

namespace vorl::test_driver {

namespace {

constexpr char windowIdKey[] = "vorl-test-driver-window-id";

} // namespace

std::vector<GtkWindow*> toplevelWindows() {
    GListModel* toplevels = gtk_window_get_toplevels();
    std::vector<GtkWindow*> windows;
    const guint count = g_list_model_get_n_items(toplevels);
    for (guint i = 0; i < count; ++i) {
        // The list keeps its own reference, so the pointer outlives this one.
        g_autoptr(GtkWindow) window = GTK_WINDOW(g_list_model_get_item(toplevels, i));
        windows.push_back(window);
    }
    return windows;
}

WebKitWebView* findWebView(GtkWindow* window) {
    GtkWidget* view =
        findDescendant(GTK_WIDGET(window), [](GtkWidget* widget) { return WEBKIT_IS_WEB_VIEW(widget); });
    return view != nullptr ? WEBKIT_WEB_VIEW(view) : nullptr;
}

GtkWindow* mainWindow() {
    GtkWindow* firstApplicationWindow = nullptr;
    for (GtkWindow* window : toplevelWindows()) {
        if (!GTK_IS_APPLICATION_WINDOW(window))
            continue;
        if (findWebView(window) != nullptr)
            return window;
        if (firstApplicationWindow == nullptr)
            firstApplicationWindow = window;
    }
    return firstApplicationWindow;
}

int applicationWindowCount() {
    int count = 0;
    for (GtkWindow* window : toplevelWindows()) {
        if (GTK_IS_APPLICATION_WINDOW(window))
            ++count;
    }
    return count;
}

GtkApplication* application() {
    GApplication* defaultApplication = g_application_get_default();
    if (defaultApplication != nullptr && GTK_IS_APPLICATION(defaultApplication))
        return GTK_APPLICATION(defaultApplication);
    GtkWindow* window = mainWindow();
    return window != nullptr ? gtk_window_get_application(window) : nullptr;
}

std::string windowId(GtkWindow* window) {
    static guint lastId = 0;
    auto id = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(window), windowIdKey));
    if (id == 0) {
        id = ++lastId;
        g_object_set_data(G_OBJECT(window), windowIdKey, GUINT_TO_POINTER(id));
    }
    return "w" + std::to_string(id);
}

GtkWindow* windowWithId(std::string_view id) {
    for (GtkWindow* window : toplevelWindows()) {
        if (windowId(window) == id)
            return window;
    }
    return nullptr;
}

GtkWindow* requireWindow(JSCValue* request) {
    const std::string id = stringArgument(request, "id");
    GtkWindow* window = windowWithId(id);
    if (window == nullptr)
        throw CommandError("no window with id \"" + id + "\"");
    return window;
}

GtkEntry* dialogEntry(GtkWindow* dialog) {
    GtkWidget* area = GTK_IS_MESSAGE_DIALOG(dialog)
                          ? gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog))
                          : GTK_WIDGET(dialog);
    GtkWidget* entry = findDescendant(area, [](GtkWidget* widget) { return GTK_IS_ENTRY(widget); });
    return entry != nullptr ? GTK_ENTRY(entry) : nullptr;
}

std::string withoutMnemonics(std::string_view label) {
    std::string text;
    for (std::size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '_' && i + 1 < label.size())
            ++i;
        text += label[i];
    }
    return text;
}

ActionLocation locateAction(std::string_view prefixedName) {
    const std::size_t dot = prefixedName.find('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string_view prefix = prefixedName.substr(0, dot);
    ActionLocation location{nullptr, std::string(prefixedName.substr(dot + 1))};
    if (prefix == "app") {
        if (GtkApplication* app = application())
            location.group = G_ACTION_GROUP(app);
    } else if (prefix == "win") {
        GtkWindow* window = mainWindow();
        if (window != nullptr && G_IS_ACTION_GROUP(window))
            location.group = G_ACTION_GROUP(window);
    }
    return location;
}

} // namespace vorl::test_driver
