#include "commands.h"

#include "command_args.h"
#include "command_handlers.h"

#include <exception>
#include <glib.h>
#include <memory>
#include <string_view>

namespace vorl::test_driver {

namespace {

using Handler = void (*)(JSCValue* request, const Reply& reply);

struct Command {
    std::string_view name;
    Handler handler;
};

constexpr Command commands[] = {
    {"ping", ping},
    {"state", state},
    {"js", runScript},
    {"dialogs", listDialogs},
    {"respond", respond},
    {"set_entry", setEntry},
    {"choose", chooseFile},
    {"menu", dumpMenu},
    {"menubar", describeMenuBar},
    {"view", describeView},
    {"activate", activateAction},
    {"close_window", closeWindow},
};

Handler handlerFor(JSCValue* request) {
    const JsonValue name = jsc_value_is_object(request) ? member(request, "cmd") : JsonValue();
    if (!name || !jsc_value_is_string(name.get()))
        throw CommandError("a request is an object with a string \"cmd\"");
    const std::string text = stringOf(name.get());
    for (const Command& command : commands) {
        if (command.name == text)
            return command.handler;
    }
    throw CommandError("unknown command \"" + text + "\"");
}

void runRequest(const std::string& line, const Reply& reply) {
    try {
        const JsonValue request = parseJson(line);
        const Handler handler = handlerFor(request.get());
        handler(request.get(), reply);
    } catch (const std::exception& error) {
        reply.fail(error.what());
    }
}

gboolean runTask(gpointer data) {
    try {
        (*static_cast<std::function<void()>*>(data))();
    } catch (const std::exception& error) {
        g_warning("vorl test driver: %s", error.what());
    } catch (...) {
        g_warning("vorl test driver: unknown exception in a main-thread task");
    }
    return G_SOURCE_REMOVE;
}

void deleteTask(gpointer data) {
    delete static_cast<std::function<void()>*>(data);
}

} // namespace

Answer handleRequest(std::string line) {
    auto slot = std::make_shared<AnswerSlot>();
    runOnMainThread([line = std::move(line), slot] { runRequest(line, Reply(slot)); });
    return slot->take();
}

void runOnMainThread(std::function<void()> task) {
    g_main_context_invoke_full(nullptr, G_PRIORITY_DEFAULT, runTask,
                               new std::function<void()>(std::move(task)), deleteTask);
}

} // namespace vorl::test_driver
