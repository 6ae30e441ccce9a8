#pragma once

#include "platform/menu.h"

#include <vector>

namespace vorl {

// The menu bar: "VORL Vorudi", "Rediger", "Vis" and "Vindu", in that order.
std::vector<Menu> mainMenu();

// The position of "Vindu", the menu that lists the windows.
inline constexpr std::size_t windowsMenuIndex = 3;

} // namespace vorl
