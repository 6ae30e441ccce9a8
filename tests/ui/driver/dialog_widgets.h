#pragma once

#include <gtk/gtk.h>

namespace vorl::test_driver {

// The text entry a dialog asks the user to fill in: for a message dialog, the one in its message area.
GtkEntry* dialogEntry(GtkWindow* dialog);

} // namespace vorl::test_driver
