#include "action_lookup.h"

#include "gtk_lookup.h"

namespace vorl::test_driver {

ActionLocation locateAction(std::string_view prefixedName) {
    const std::size_t dot = prefixedName.find('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string_view prefix = prefixedName.substr(0, dot);
    ActionLocation location{nullptr, std::string(prefixedName.substr(dot + 1))};
    if (prefix == "app") {
        if (GtkApplication* app = application())
            location.group = G_ACTION_GROUP(app);
    } else if (prefix == "win") {
        GtkWindow* window = mainWindow();
        if (window != nullptr && G_IS_ACTION_GROUP(window))
            location.group = G_ACTION_GROUP(window);
    }
    return location;
}

} // namespace vorl::test_driver
