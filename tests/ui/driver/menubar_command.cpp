// "menubar": the main window's menus, where each shows in the window's X window (its centre, in
// that window's pixels, for a test's mouse) and whether it is open. "view": where the web view's
// top left corner is in that window, for a test's drag.

#include "command_args.h"
#include "command_handlers.h"
#include "gtk_lookup.h"

#include <gdk/x11/gdkx.h>

namespace vorl::test_driver {

namespace {

// The X window of the main window.
GdkSurface* mainSurface() {
    GtkWindow* window = mainWindow();
    GdkSurface* surface = window != nullptr ? gtk_native_get_surface(GTK_NATIVE(window)) : nullptr;
    if (surface == nullptr || !GDK_IS_X11_SURFACE(surface))
        throw CommandError("the main window is not shown in an X window");
    return surface;
}

// Where a widget of the main window lies in its X window, in that window's pixels.
graphene_rect_t boundsInXWindow(GtkWidget* widget, GtkWindow* window) {
    graphene_rect_t bounds;
    if (!gtk_widget_compute_bounds(widget, GTK_WIDGET(window), &bounds))
        throw CommandError("the window is not laid out");
    double left = 0;
    double top = 0;
    gtk_native_get_surface_transform(GTK_NATIVE(window), &left, &top); // a shadow the window draws itself
    const auto scale = static_cast<float>(gtk_widget_get_scale_factor(widget));
    graphene_rect_t inWindow;
    graphene_rect_init(&inWindow, static_cast<float>(left + bounds.origin.x) * scale,
                       static_cast<float>(top + bounds.origin.y) * scale, bounds.size.width * scale,
                       bounds.size.height * scale);
    return inWindow;
}

JsonValue describeMenu(GtkWidget* item, GtkWindow* window) {
    const graphene_rect_t bounds = boundsInXWindow(item, window);
    JsonValue menu = jsonObject();
    GtkWidget* label = findDescendant(item, [](GtkWidget* widget) { return GTK_IS_LABEL(widget); });
    setMember(menu.get(), "label", label != nullptr ? gtk_label_get_text(GTK_LABEL(label)) : nullptr);
    setMember(menu.get(), "x", static_cast<int>(bounds.origin.x + bounds.size.width / 2));
    setMember(menu.get(), "y", static_cast<int>(bounds.origin.y + bounds.size.height / 2));
    GtkWidget* popover = findDescendant(item, [](GtkWidget* widget) { return GTK_IS_POPOVER(widget); });
    setMember(menu.get(), "open", popover != nullptr && gtk_widget_get_mapped(popover));
    return menu;
}

} // namespace

void describeMenuBar(JSCValue*, const Reply& reply) {
    GdkSurface* surface = mainSurface();
    GtkWindow* window = mainWindow();
    GtkWidget* bar =
        findDescendant(GTK_WIDGET(window), [](GtkWidget* widget) { return GTK_IS_POPOVER_MENU_BAR(widget); });
    if (bar == nullptr)
        throw CommandError("the main window shows no menu bar");
    JsonValue menus = jsonArray();
    for (GtkWidget* item = gtk_widget_get_first_child(bar); item != nullptr;
         item = gtk_widget_get_next_sibling(item))
        append(menus.get(), describeMenu(item, window));
    JsonValue result = jsonObject();
    setMember(result.get(), "window", static_cast<double>(gdk_x11_surface_get_xid(surface)));
    setMember(result.get(), "menus", menus);
    reply.succeed(std::move(result));
}

void describeView(JSCValue*, const Reply& reply) {
    GdkSurface* surface = mainSurface();
    GtkWindow* window = mainWindow();
    WebKitWebView* view = findWebView(window);
    if (view == nullptr)
        throw CommandError("the main window shows no web view");
    const graphene_rect_t bounds = boundsInXWindow(GTK_WIDGET(view), window);
    JsonValue result = jsonObject();
    setMember(result.get(), "window", static_cast<double>(gdk_x11_surface_get_xid(surface)));
    setMember(result.get(), "x", static_cast<int>(bounds.origin.x));
    setMember(result.get(), "y", static_cast<int>(bounds.origin.y));
    setMember(result.get(), "scale", gtk_widget_get_scale_factor(GTK_WIDGET(view)));
    reply.succeed(std::move(result));
}

} // namespace vorl::test_driver
