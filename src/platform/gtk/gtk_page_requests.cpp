// The page's dialogs, file inputs, window requests and script messages, handed to the
// delegates with completions that answer WebKit exactly once.

#include "gtk_web_view.h"
#include "jsc_script_message.h"

#include <memory>

namespace vorl {
namespace {

// Holds a script dialog until it is answered; one dropped unanswered closes with the page's
// default (alert: nothing, confirm: false, prompt: null).
class PendingScriptDialog {
public:
    explicit PendingScriptDialog(WebKitScriptDialog* pending) : dialog(webkit_script_dialog_ref(pending)) {}
    PendingScriptDialog(const PendingScriptDialog&) = delete;
    PendingScriptDialog& operator=(const PendingScriptDialog&) = delete;
    ~PendingScriptDialog() { close(); }

    void confirm(bool confirmed) {
        if (dialog)
            webkit_script_dialog_confirm_set_confirmed(dialog, confirmed);
        close();
    }
    void answerPrompt(const std::optional<std::string>& text) {
        // A prompt closed without text answers null.
        if (dialog && text)
            webkit_script_dialog_prompt_set_text(dialog, text->c_str());
        close();
    }
    void close() {
        if (!dialog)
            return;
        webkit_script_dialog_close(dialog);
        webkit_script_dialog_unref(std::exchange(dialog, nullptr));
    }

private:
    WebKitScriptDialog* dialog;
};

// Holds a file chooser request until it is answered; one dropped unanswered is cancelled.
class PendingFileChooser {
public:
    explicit PendingFileChooser(WebKitFileChooserRequest* pending)
        : request(GObjectPtr<WebKitFileChooserRequest>::retain(pending)) {}
    PendingFileChooser(const PendingFileChooser&) = delete;
    PendingFileChooser& operator=(const PendingFileChooser&) = delete;
    ~PendingFileChooser() {
        if (!answered)
            webkit_file_chooser_request_cancel(request.get());
    }

    void answer(const std::optional<std::vector<std::filesystem::path>>& files) {
        if (answered)
            return;
        answered = true;
        if (!files)
            return webkit_file_chooser_request_cancel(request.get());
        std::vector<const char*> paths;
        for (const auto& file : *files)
            paths.push_back(file.c_str());
        paths.push_back(nullptr);
        webkit_file_chooser_request_select_files(request.get(), paths.data());
    }

private:
    GObjectPtr<WebKitFileChooserRequest> request;
    bool answered = false;
};

// Holds a message's reply until it is answered; one dropped unanswered resolves with nothing.
class PendingReply {
public:
    PendingReply(WebKitScriptMessageReply* pending, JSCContext* valueContext)
        : reply(webkit_script_message_reply_ref(pending)),
          context(GObjectPtr<JSCContext>::retain(valueContext)) {}
    PendingReply(const PendingReply&) = delete;
    PendingReply& operator=(const PendingReply&) = delete;
    ~PendingReply() { answer(ScriptReply{}); }

    void answer(const ScriptReply& answer) {
        if (!reply)
            return;
        if (answer.errorMessage) {
            webkit_script_message_reply_return_error_message(reply, answer.errorMessage->c_str());
        } else {
            g_autoptr(JSCValue) value = std::visit(
                [this](const auto& result) -> JSCValue* {
                    using Value = std::decay_t<decltype(result)>;
                    if constexpr (std::is_same_v<Value, std::string>)
                        return jsc_value_new_string(context.get(), result.c_str());
                    else if constexpr (std::is_same_v<Value, bool>)
                        return jsc_value_new_boolean(context.get(), result);
                    else
                        return jsc_value_new_undefined(context.get());
                },
                answer.result);
            webkit_script_message_reply_return_value(reply, value);
        }
        webkit_script_message_reply_unref(std::exchange(reply, nullptr));
    }

private:
    WebKitScriptMessageReply* reply;
    GObjectPtr<JSCContext> context;
};

} // namespace

gboolean GtkWebView::onScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self) {
    UIDelegate* delegate = static_cast<GtkWebView*>(self)->uiDelegate;
    if (!delegate)
        return FALSE;
    auto pending = std::make_shared<PendingScriptDialog>(dialog);
    std::string message = webkit_script_dialog_get_message(dialog);
    switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_ALERT:
        delegate->runJavaScriptAlertPanel(message, [pending] { pending->close(); });
        break;
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
        delegate->runJavaScriptConfirmPanel(message,
                                            [pending](bool confirmed) { pending->confirm(confirmed); });
        break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
        delegate->runJavaScriptTextInputPanel(
            message, std::string(webkit_script_dialog_prompt_get_default_text(dialog)),
            [pending](std::optional<std::string> text) { pending->answerPrompt(text); });
        break;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
        delegate->runBeforeUnloadConfirmPanel(message, [pending](bool leave) { pending->confirm(leave); });
        break;
    }
    return TRUE;
}

gboolean GtkWebView::onRunFileChooser(WebKitWebView*, WebKitFileChooserRequest* request, gpointer self) {
    UIDelegate* delegate = static_cast<GtkWebView*>(self)->uiDelegate;
    if (!delegate)
        return FALSE;
    auto pending = std::make_shared<PendingFileChooser>(request);
    delegate->runOpenPanel(
        webkit_file_chooser_request_get_select_multiple(request) != FALSE,
        [pending](std::optional<std::vector<std::filesystem::path>> files) { pending->answer(files); });
    return TRUE;
}

GtkWidget* GtkWebView::onCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
    if (UIDelegate* delegate = static_cast<GtkWebView*>(self)->uiDelegate)
        delegate->createWebView(navigationActionOf(action));
    return nullptr; // no second web view, ever
}

gboolean GtkWebView::onScriptMessage(WebKitUserContentManager*, JSCValue* value,
                                     WebKitScriptMessageReply* reply, gpointer data) {
    auto* binding = static_cast<MessageHandlerBinding*>(data);
    auto pending = std::make_shared<PendingReply>(reply, jsc_value_get_context(value));
    binding->handler->didReceiveScriptMessage(JscScriptMessage(value),
                                              [pending](ScriptReply answer) { pending->answer(answer); });
    return TRUE;
}

} // namespace vorl
