// The page's dialogs, file inputs, window requests and script messages, handed to the
// delegates with completions that answer WebKit exactly once.

#include "answer_once.h"
#include "gtk_web_view.h"
#include "jsc_script_message.h"

#include <memory>
#include <variant>

namespace vorl {
namespace {

// Answers a script dialog once and closes it, which resumes the page's script; write, where the
// dialog takes an answer, puts it into the dialog first. Dropped unanswered, it closes with the
// page's default.
template <class Answer>
std::function<void(Answer)> answeringDialog(WebKitScriptDialog* dialog, Answer whenDropped,
                                            void (*write)(WebKitScriptDialog*, const Answer&)) {
    webkit_script_dialog_ref(dialog);
    return answeredOnce<Answer>(
        [dialog, write](Answer answer) {
            if (write)
                write(dialog, answer);
            webkit_script_dialog_close(dialog);
            webkit_script_dialog_unref(dialog);
        },
        std::move(whenDropped));
}

// An alert takes no answer: its completion only closes it.
std::function<void()> closingAlert(WebKitScriptDialog* dialog) {
    return [close = answeringDialog<std::monostate>(dialog, {}, nullptr)] { close({}); };
}

void writeConfirmed(WebKitScriptDialog* dialog, const bool& confirmed) {
    webkit_script_dialog_confirm_set_confirmed(dialog, confirmed);
}

void writePromptText(WebKitScriptDialog* dialog, const std::optional<std::string>& text) {
    // A prompt closed without text answers null.
    if (text)
        webkit_script_dialog_prompt_set_text(dialog, text->c_str());
}

// Answers a file input once: with the files chosen, or cancelled (also when dropped).
std::function<void(std::optional<std::vector<std::filesystem::path>>)> answeringFileChooser(
    WebKitFileChooserRequest* pending) {
    return answeredOnce<std::optional<std::vector<std::filesystem::path>>>(
        // Given exactly once, the answer lets go of the request's reference.
        [request = WEBKIT_FILE_CHOOSER_REQUEST(g_object_ref(pending))](auto files) {
            g_autoptr(WebKitFileChooserRequest) answered = request;
            if (!files)
                return webkit_file_chooser_request_cancel(answered);
            std::vector<const char*> paths;
            for (const auto& file : *files)
                paths.push_back(file.c_str());
            paths.push_back(nullptr);
            webkit_file_chooser_request_select_files(answered, paths.data());
        },
        std::nullopt);
}

// Answers a message's reply once; dropped unanswered, it resolves with nothing.
ScriptReplyHandler answeringReply(WebKitScriptMessageReply* pending, JSCContext* valueContext) {
    return answeredOnce<ScriptReply>(
        [reply = webkit_script_message_reply_ref(pending),
         context = JSC_CONTEXT(g_object_ref(valueContext))](ScriptReply answer) {
            g_autoptr(JSCContext) answeredIn = context;
            if (answer.errorMessage) {
                webkit_script_message_reply_return_error_message(reply, answer.errorMessage->c_str());
            } else {
                g_autoptr(JSCValue) value = std::visit(
                    [context](const auto& result) -> JSCValue* {
                        using Value = std::decay_t<decltype(result)>;
                        if constexpr (std::is_same_v<Value, std::string>)
                            return jsc_value_new_string(context, result.c_str());
                        else if constexpr (std::is_same_v<Value, bool>)
                            return jsc_value_new_boolean(context, result);
                        else
                            return jsc_value_new_undefined(context);
                    },
                    answer.result);
                webkit_script_message_reply_return_value(reply, value);
            }
            webkit_script_message_reply_unref(reply);
        },
        ScriptReply{});
}

} // namespace

gboolean GtkWebView::onScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self) {
    DialogDelegate* delegate = static_cast<GtkWebView*>(self)->dialogDelegate;
    if (!delegate)
        return FALSE;
    std::string message = webkit_script_dialog_get_message(dialog);
    switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_ALERT:
        delegate->runJavaScriptAlertPanel(message, closingAlert(dialog));
        break;
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
        delegate->runJavaScriptConfirmPanel(message, answeringDialog(dialog, false, writeConfirmed));
        break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
        delegate->runJavaScriptTextInputPanel(
            message, std::string(webkit_script_dialog_prompt_get_default_text(dialog)),
            answeringDialog<std::optional<std::string>>(dialog, std::nullopt, writePromptText));
        break;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
        delegate->runBeforeUnloadConfirmPanel(message, answeringDialog(dialog, false, writeConfirmed));
        break;
    }
    return TRUE;
}

gboolean GtkWebView::onRunFileChooser(WebKitWebView*, WebKitFileChooserRequest* request, gpointer self) {
    DialogDelegate* delegate = static_cast<GtkWebView*>(self)->dialogDelegate;
    if (!delegate)
        return FALSE;
    std::vector<std::string> acceptedTypes;
    if (const char* const* types = webkit_file_chooser_request_get_mime_types(request))
        acceptedTypes.assign(types, types + g_strv_length(const_cast<char**>(types)));
    delegate->runOpenPanel(webkit_file_chooser_request_get_select_multiple(request) != FALSE, acceptedTypes,
                           answeringFileChooser(request));
    return TRUE;
}

GtkWidget* GtkWebView::onCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
    if (NavigationDelegate* delegate = static_cast<GtkWebView*>(self)->navigationDelegate)
        delegate->createWebView(navigationActionOf(action));
    return nullptr; // no second web view, ever
}

gboolean GtkWebView::onScriptMessage(WebKitUserContentManager*, JSCValue* value,
                                     WebKitScriptMessageReply* reply, gpointer data) {
    auto* binding = static_cast<MessageHandlerBinding*>(data);
    binding->handler->didReceiveScriptMessage(JscScriptMessage(value),
                                              answeringReply(reply, jsc_value_get_context(value)));
    return TRUE;
}

} // namespace vorl
