#include "monitor_area.h"

#ifdef GDK_WINDOWING_X11
#include <gdk/x11/gdkx.h>
#endif

namespace vorl {

std::optional<Size> monitorArea(GtkWindow* window) {
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    GdkMonitor* monitor = surface ? gdk_display_get_monitor_at_surface(display, surface) : nullptr;
    g_autoptr(GdkMonitor) first = nullptr;
    if (!monitor)
        monitor = first =
            static_cast<GdkMonitor*>(g_list_model_get_item(gdk_display_get_monitors(display), 0));
    if (!monitor)
        return std::nullopt;
    GdkRectangle area;
#ifdef GDK_WINDOWING_X11
    // Only X11 tells where the desktop's panels are.
    if (GDK_IS_X11_MONITOR(monitor))
        gdk_x11_monitor_get_workarea(monitor, &area);
    else
#endif
        gdk_monitor_get_geometry(monitor, &area);
    return Size{static_cast<double>(area.width), static_cast<double>(area.height)};
}

} // namespace vorl
