// "ping" and "state": liveness of the main loop and a summary of the main window.

#include "command_handlers.h"
#include "gtk_lookup.h"

#include <unistd.h>

namespace vorl::test_driver {

namespace {

JsonValue describeWindow(GtkWindow* window) {
    JsonValue result = jsonObject();
    setMember(result.get(), "title", gtk_window_get_title(window));
    setMember(result.get(), "width", gtk_widget_get_width(GTK_WIDGET(window)));
    setMember(result.get(), "height", gtk_widget_get_height(GTK_WIDGET(window)));
    setMember(result.get(), "scale", gtk_widget_get_scale_factor(GTK_WIDGET(window)));
    setMember(result.get(), "maximized", static_cast<bool>(gtk_window_is_maximized(window)));
    setMember(result.get(), "fullscreen", static_cast<bool>(gtk_window_is_fullscreen(window)));
    // GTK 4.8 has no getter for minimised; the surface state has it once the window is realised.
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    if (surface != nullptr && GDK_IS_TOPLEVEL(surface)) {
        const GdkToplevelState surfaceState = gdk_toplevel_get_state(GDK_TOPLEVEL(surface));
        setMember(result.get(), "minimized", (surfaceState & GDK_TOPLEVEL_STATE_MINIMIZED) != 0);
    }
    setMember(result.get(), "visible", static_cast<bool>(gtk_widget_get_visible(GTK_WIDGET(window))));
    setMember(result.get(), "active", static_cast<bool>(gtk_window_is_active(window)));
    GtkWidget* content = gtk_window_get_child(window);
    setMember(result.get(), "content_sensitive", content != nullptr && gtk_widget_is_sensitive(content));
    return result;
}

} // namespace

void ping(JSCValue*, const Reply& reply) {
    reply.succeed(jsonValue("pong"));
}

void state(JSCValue*, const Reply& reply) {
    GtkWindow* window = mainWindow();
    WebKitWebView* view = window != nullptr ? findWebView(window) : nullptr;
    JsonValue result = jsonObject();
    setMember(result.get(), "uri", view != nullptr ? webkit_web_view_get_uri(view) : nullptr);
    setMember(result.get(), "page_title", view != nullptr ? webkit_web_view_get_title(view) : nullptr);
    setMember(result.get(), "is_loading", view != nullptr && webkit_web_view_is_loading(view));
    setMember(result.get(), "zoom_level",
              view != nullptr ? jsonValue(webkit_web_view_get_zoom_level(view)) : JsonValue());
    setMember(result.get(), "main_windows", applicationWindowCount());
    setMember(result.get(), "window", window != nullptr ? describeWindow(window) : JsonValue());
    setMember(result.get(), "pid", static_cast<int>(::getpid()));
    reply.succeed(std::move(result));
}

} // namespace vorl::test_driver
