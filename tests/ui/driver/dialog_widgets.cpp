#include "dialog_widgets.h"

#include "gtk_lookup.h"

namespace vorl::test_driver {

GtkEntry* dialogEntry(GtkWindow* dialog) {
    GtkWidget* area = GTK_IS_MESSAGE_DIALOG(dialog)
                          ? gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog))
                          : GTK_WIDGET(dialog);
    GtkWidget* entry = findDescendant(area, [](GtkWidget* widget) { return GTK_IS_ENTRY(widget); });
    return entry != nullptr ? GTK_ENTRY(entry) : nullptr;
}

} // namespace vorl::test_driver
