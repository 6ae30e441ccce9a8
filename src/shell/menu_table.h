#pragma once

#include "platform/menu.h"

#include <vector>

namespace vorl {

// The menu bar: "VORL Vorudi", "Rediger", "Vis" and "Vindu", in that order.
std::vector<Menu> mainMenu();

} // namespace vorl
