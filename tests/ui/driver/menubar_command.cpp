// "menubar": the main window's menus, where each shows in the window's X window (its centre, in
// that window's pixels, for a test's mouse) and whether it is open.

#include "command_args.h"
#include "command_handlers.h"
#include "gtk_lookup.h"

#include <gdk/x11/gdkx.h>

namespace vorl::test_driver {

namespace {

JsonValue describeMenu(GtkWidget* item, GtkWindow* window) {
    graphene_rect_t bounds;
    if (!gtk_widget_compute_bounds(item, GTK_WIDGET(window), &bounds))
        throw CommandError("the menu bar is not laid out");
    double left = 0;
    double top = 0;
    gtk_native_get_surface_transform(GTK_NATIVE(window), &left, &top); // a shadow the window draws itself
    const int scale = gtk_widget_get_scale_factor(item);
    JsonValue menu = jsonObject();
    GtkWidget* label = findDescendant(item, [](GtkWidget* widget) { return GTK_IS_LABEL(widget); });
    setMember(menu.get(), "label", label != nullptr ? gtk_label_get_text(GTK_LABEL(label)) : nullptr);
    setMember(menu.get(), "x", static_cast<int>((left + bounds.origin.x + bounds.size.width / 2) * scale));
    setMember(menu.get(), "y", static_cast<int>((top + bounds.origin.y + bounds.size.height / 2) * scale));
    GtkWidget* popover = findDescendant(item, [](GtkWidget* widget) { return GTK_IS_POPOVER(widget); });
    setMember(menu.get(), "open", popover != nullptr && gtk_widget_get_mapped(popover));
    return menu;
}

} // namespace

void describeMenuBar(JSCValue*, const Reply& reply) {
    GtkWindow* window = mainWindow();
    GdkSurface* surface = window != nullptr ? gtk_native_get_surface(GTK_NATIVE(window)) : nullptr;
    if (surface == nullptr || !GDK_IS_X11_SURFACE(surface))
        throw CommandError("the main window is not shown in an X window");
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

} // namespace vorl::test_driver
