#pragma once

#include <gio/gio.h>
#include <string>
#include <string_view>

namespace vorl::test_driver {

// Where a menu-style action name ("app.zoomIn", "win.close") lives.
struct ActionLocation {
    GActionGroup* group = nullptr; // null when neither the application nor a main window exists
    std::string name;              // without the "app." / "win." prefix
};

// "app.x" resolves on the application, "win.x" on the main window.
ActionLocation locateAction(std::string_view prefixedName);

} // namespace vorl::test_driver
