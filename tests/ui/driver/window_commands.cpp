// "activate" and "close_window": doing what the menu or the window's close button would do.

#include "command_args.h"
#include "command_handlers.h"
#include "gtk_lookup.h"

namespace vorl::test_driver {

void activateAction(JSCValue* request, const Reply& reply) {
    const std::string detailed = stringArgument(request, "action");
    g_autofree char* name = nullptr;
    g_autoptr(GVariant) target = nullptr;
    g_autoptr(GError) error = nullptr;
    if (!g_action_parse_detailed_name(detailed.c_str(), &name, &target, &error))
        throw CommandError(error->message);

    const ActionLocation location = locateAction(name);
    if (location.group == nullptr || !g_action_group_has_action(location.group, location.name.c_str()))
        throw CommandError("no action \"" + std::string(name) + "\"");
    if (!g_action_group_get_action_enabled(location.group, location.name.c_str()))
        throw CommandError("action \"" + std::string(name) + "\" is disabled");
    g_action_group_activate_action(location.group, location.name.c_str(), target);
    reply.succeed();
}

void closeWindow(JSCValue*, const Reply& reply) {
    GtkWindow* window = mainWindow();
    if (window == nullptr)
        throw CommandError("no main window");
    // Closing the last window may end the process, so close only once the answer has been sent.
    reply.succeedThen({}, [id = windowId(window)] {
        if (GtkWindow* stillOpen = windowWithId(id))
            gtk_window_close(stillOpen);
    });
}

} // namespace vorl::test_driver
