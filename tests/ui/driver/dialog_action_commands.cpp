// "respond" and "set_entry": answering the dialogs listed by "dialogs".

#include "command_args.h"
#include "command_handlers.h"
#include "gtk_lookup.h"

namespace vorl::test_driver {

void respond(JSCValue* request, const Reply& reply) {
    GtkWindow* window = requireWindow(request);
    const int response = intArgument(request, "response");
    if (GTK_IS_DIALOG(window)) {
        gtk_dialog_response(GTK_DIALOG(window), response);
    } else if (response == GTK_RESPONSE_CLOSE || response == GTK_RESPONSE_DELETE_EVENT) {
        // Plain windows such as the about box have no responses; closing is their only answer.
        gtk_window_close(window);
    } else {
        throw CommandError("this window is not a GtkDialog; only responses -4 and -7 (close) apply");
    }
    reply.succeed();
}

void setEntry(JSCValue* request, const Reply& reply) {
    GtkWindow* window = requireWindow(request);
    const std::string text = stringArgument(request, "text");
    GtkEntry* entry = dialogEntry(window);
    if (entry == nullptr)
        throw CommandError("this dialog has no text entry");
    gtk_editable_set_text(GTK_EDITABLE(entry), text.c_str());
    reply.succeed();
}

} // namespace vorl::test_driver
