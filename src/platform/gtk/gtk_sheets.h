#pragma once

#include "platform/sheet_queue.h"
#include "platform/sheets.h"

#include <gtk/gtk.h>

namespace vorl {

// The window a sheet belongs to, and the application's shortcuts that keep working while it
// is shown (a list of GtkShortcut).
struct SheetParent {
    GtkWindow* window;
    GListModel* shortcuts;
};

// Sheets as GTK dialogs, modal for their parent window only: the rest of the application, the
// parent's menu bar and the shortcuts included, goes on working. Each answers its completion
// exactly once: with the user's choice, or as cancelled (no button, ModalResponse::cancel)
// when the dialog goes away otherwise (dismissed, closed, or destroyed with its parent).
SheetQueue::Dismiss beginAlertSheet(const SheetParent& parent, const Alert& alert,
                                    AlertCompletion completion);
SheetQueue::Dismiss beginOpenPanelSheet(const SheetParent& parent, const OpenPanel& panel,
                                        OpenPanelCompletion completion);
SheetQueue::Dismiss beginSavePanelSheet(const SheetParent& parent, const SavePanel& panel,
                                        SavePanelCompletion completion);

// Makes window modal for nothing but itself, and lets the application's shortcuts reach it.
void keepApplicationUsable(GtkWindow* window, GListModel* shortcuts);

} // namespace vorl
