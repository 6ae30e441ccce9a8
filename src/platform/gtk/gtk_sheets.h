#pragma once

#include "platform/sheets.h"

#include <gtk/gtk.h>

namespace vorl {

// Sheets as GTK dialogs, modal for their parent window only. Each answers its completion
// exactly once: with the user's choice, or as cancelled (no button, ModalResponse::cancel)
// when the dialog goes away otherwise (closed, or destroyed together with its parent).
void beginAlertSheet(GtkWindow* parent, const Alert& alert, AlertCompletion completion);
void beginOpenPanelSheet(GtkWindow* parent, const OpenPanel& panel, OpenPanelCompletion completion);
void beginSavePanelSheet(GtkWindow* parent, const SavePanel& panel, SavePanelCompletion completion);

} // namespace vorl
