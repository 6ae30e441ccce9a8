// "activate" and "close_window": doing what the menu or the window's close button would do.

#include "action_lookup.h"
#include "command_args.h"
#include "command_handlers.h"
#include "glib_ptr.h"
#include "gtk_lookup.h"

namespace vorl::test_driver {

void activateAction(const Json& request, const Reply& reply) {
    const std::string& detailed = stringArgument(request, "action");
    char* rawName = nullptr;
    GVariant* rawTarget = nullptr;
    GError* rawError = nullptr;
    if (!g_action_parse_detailed_name(detailed.c_str(), &rawName, &rawTarget, &rawError)) {
        const GErrorPtr error(rawError);
        throw CommandError(error->message);
    }
    const GCharPtr name(rawName);
    const GVariantPtr target(rawTarget);

    const ActionLocation location = locateAction(name.get());
    if (location.group == nullptr || !g_action_group_has_action(location.group, location.name.c_str()))
        throw CommandError("no action \"" + std::string(name.get()) + "\"");
    if (!g_action_group_get_action_enabled(location.group, location.name.c_str()))
        throw CommandError("action \"" + std::string(name.get()) + "\" is disabled");
    g_action_group_activate_action(location.group, location.name.c_str(), target.get());
    reply.succeed(nullptr);
}

void closeWindow(const Json&, const Reply& reply) {
    GtkWindow* window = mainWindow();
    if (window == nullptr)
        throw CommandError("no main window");
    // Closing the last window may end the process, so close only once the answer has been sent.
    reply.succeedThen(nullptr, [id = windowId(window)] {
        if (GtkWindow* stillOpen = windowWithId(id))
            gtk_window_close(stillOpen);
    });
}

} // namespace vorl::test_driver
