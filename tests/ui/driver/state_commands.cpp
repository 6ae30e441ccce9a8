// "ping" and "state": liveness of the main loop and a summary of the main window.

#include "command_handlers.h"
#include "gtk_lookup.h"

#include <unistd.h>

namespace vorl::test_driver {

namespace {

Json describeWindow(GtkWindow* window) {
    Json result = Json::object();
    result.set("title", gtk_window_get_title(window));
    result.set("width", gtk_widget_get_width(GTK_WIDGET(window)));
    result.set("height", gtk_widget_get_height(GTK_WIDGET(window)));
    result.set("maximized", static_cast<bool>(gtk_window_is_maximized(window)));
    result.set("fullscreen", static_cast<bool>(gtk_window_is_fullscreen(window)));
    // GTK 4.8 has no getter for minimised; the surface state has it once the window is realised.
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    if (surface != nullptr && GDK_IS_TOPLEVEL(surface)) {
        const GdkToplevelState surfaceState = gdk_toplevel_get_state(GDK_TOPLEVEL(surface));
        result.set("minimized", (surfaceState & GDK_TOPLEVEL_STATE_MINIMIZED) != 0);
    }
    result.set("visible", static_cast<bool>(gtk_widget_get_visible(GTK_WIDGET(window))));
    result.set("active", static_cast<bool>(gtk_window_is_active(window)));
    return result;
}

} // namespace

void ping(const Json&, const Reply& reply) {
    reply.succeed("pong");
}

void state(const Json&, const Reply& reply) {
    GtkWindow* window = mainWindow();
    WebKitWebView* view = window != nullptr ? findWebView(window) : nullptr;
    Json result = Json::object();
    result.set("uri", view != nullptr ? Json(webkit_web_view_get_uri(view)) : Json());
    result.set("page_title", view != nullptr ? Json(webkit_web_view_get_title(view)) : Json());
    result.set("is_loading", view != nullptr && webkit_web_view_is_loading(view));
    result.set("zoom_level", view != nullptr ? Json(webkit_web_view_get_zoom_level(view)) : Json());
    result.set("main_windows", applicationWindowCount());
    result.set("window", window != nullptr ? describeWindow(window) : Json());
    result.set("pid", static_cast<long long>(::getpid()));
    reply.succeed(std::move(result));
}

} // namespace vorl::test_driver
