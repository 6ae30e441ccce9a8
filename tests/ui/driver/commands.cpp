#include "commands.h"

#include "command_args.h"
#include "command_handlers.h"
#include "main_thread.h"

#include <exception>
#include <memory>

namespace vorl::test_driver {

namespace {

using Handler = void (*)(const Json& request, const Reply& reply);

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
    {"activate", activateAction},
    {"close_window", closeWindow},
};

Handler findHandler(std::string_view name) {
    for (const Command& command : commands) {
        if (command.name == name)
            return command.handler;
    }
    return nullptr;
}

void runHandler(Handler handler, const Json& request, const Reply& reply) {
    try {
        handler(request, reply);
    } catch (const std::exception& error) {
        reply.fail(error.what());
    }
}

} // namespace

Answer handleRequest(std::string_view line) {
    Json request;
    try {
        request = Json::parse(line);
    } catch (const JsonError& error) {
        return failureAnswer(error.what());
    }
    const Json* name = request.get("cmd");
    if (name == nullptr || name->asString() == nullptr)
        return failureAnswer("a request is an object with a string \"cmd\"");
    const Handler handler = findHandler(*name->asString());
    if (handler == nullptr)
        return failureAnswer("unknown command \"" + *name->asString() + "\"");

    auto slot = std::make_shared<AnswerSlot>();
    runOnMainThread([handler, request, slot] { runHandler(handler, request, Reply(slot)); });
    return slot->take();
}

} // namespace vorl::test_driver
