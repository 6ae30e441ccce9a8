#pragma once

#include "platform/menu.h"

#include <string>
#include <vector>

namespace vorl {

// The GAction name of a menu action ("zoomIn" for app.zoomIn).
const char* actionName(MenuAction action);

// The GTK accelerators of an item's key equivalent: Command is <Primary>, Option <Alt>.
// Control+Command collapses to <Primary> here and would take Ctrl+F from the page, so that
// combination becomes F11, the desktop's own full-screen key.
std::vector<std::string> gtkAccelerators(const MenuItem& item);

} // namespace vorl
