// "js": runs an async function body in the page's world and answers with its JSON value.

#include "command_args.h"
#include "command_handlers.h"
#include "gtk_lookup.h"

#include <cmath>
#include <exception>
#include <memory>

namespace vorl::test_driver {

namespace {

constexpr double defaultTimeoutSeconds = 20;
constexpr double maxTimeoutSeconds = 24 * 3600;

// Shared by the script's callback and its time-out; whichever fires first answers.
struct ScriptCall {
    Reply reply;
    guint timeoutSource = 0;
};
using ScriptCallRef = std::shared_ptr<ScriptCall>;

// The page's value belongs to WebKit's own context; it crosses into the driver's as JSON text.
JsonValue scriptResult(JSCValue* value) {
    // Values JSON cannot express (undefined) serialise to nothing and are answered as null.
    g_autofree char* json = jsc_value_to_json(value, 0);
    return json != nullptr ? parseJson(json) : JsonValue();
}

void scriptFinished(GObject* view, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<ScriptCallRef> call(static_cast<ScriptCallRef*>(data));
    g_autoptr(GError) error = nullptr;
    g_autoptr(JSCValue) value =
        webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result, &error);
    try {
        if (value != nullptr)
            (*call)->reply.succeed(scriptResult(value));
        else
            (*call)->reply.fail(error != nullptr ? error->message : "the script failed");
    } catch (const std::exception& failure) {
        (*call)->reply.fail(failure.what());
    }
    if ((*call)->timeoutSource != 0)
        g_source_remove((*call)->timeoutSource);
}

gboolean scriptTimedOut(gpointer data) {
    ScriptCall& call = **static_cast<ScriptCallRef*>(data);
    call.timeoutSource = 0;
    call.reply.fail("the script did not finish in time");
    return G_SOURCE_REMOVE;
}

void releaseCall(gpointer data) {
    delete static_cast<ScriptCallRef*>(data);
}

} // namespace

void runScript(JSCValue* request, const Reply& reply) {
    const std::string script = stringArgument(request, "script");
    const double timeout = optionalNumberArgument(request, "timeout").value_or(defaultTimeoutSeconds);
    if (!(timeout > 0 && timeout < maxTimeoutSeconds))
        throw CommandError("argument \"timeout\" must be a positive number of seconds");
    GtkWindow* window = mainWindow();
    WebKitWebView* view = window != nullptr ? findWebView(window) : nullptr;
    if (view == nullptr)
        throw CommandError("no web view");

    // The time-out source and the script's callback each own one reference to the call.
    auto call = std::make_shared<ScriptCall>(ScriptCall{reply});
    call->timeoutSource =
        g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(std::lround(timeout * 1000)),
                           scriptTimedOut, new ScriptCallRef(call), releaseCall);
    webkit_web_view_call_async_javascript_function(view, script.c_str(), static_cast<gssize>(script.size()),
                                                   nullptr, nullptr, nullptr, nullptr, scriptFinished,
                                                   new ScriptCallRef(call));
}

} // namespace vorl::test_driver
