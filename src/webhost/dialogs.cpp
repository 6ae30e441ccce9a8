// The page's alert, confirm, prompt and file inputs, as sheets on the main window, and its
// question before it is left.

#include "app/app_delegate.h"
#include "webhost/file_drops.h"

namespace vorl {
namespace {

Alert pageAlert(const std::string& text) {
    return alert("VORL Vorudi", text, AlertStyle::informational);
}

} // namespace

void AppDelegate::runJavaScriptAlertPanel(const std::string& message, std::function<void()> completion) {
    window->beginAlertSheet(pageAlert(message), [completion](const AlertResult&) { completion(); });
}

void AppDelegate::runJavaScriptConfirmPanel(const std::string& message,
                                            std::function<void(bool)> completion) {
    Alert alert = pageAlert(message);
    alert.buttons = {okButton, cancelButton};
    window->beginAlertSheet(alert,
                            [completion](const AlertResult& result) { completion(result.button == 0u); });
}

void AppDelegate::runJavaScriptTextInputPanel(const std::string& prompt,
                                              const std::optional<std::string>& defaultText,
                                              std::function<void(std::optional<std::string>)> completion) {
    Alert alert = pageAlert(prompt);
    alert.accessoryTextField = AlertTextField{defaultText.value_or("")};
    alert.buttons = {okButton, cancelButton};
    window->beginAlertSheet(alert, [completion](const AlertResult& result) {
        if (result.button == 0u)
            completion(result.accessoryText);
        else
            completion(std::nullopt);
    });
}

void AppDelegate::runBeforeUnloadConfirmPanel(const std::string&, std::function<void(bool)> completion) {
    // Nothing asks the user before a page is left: leaving is always allowed.
    completion(true);
}

void AppDelegate::runOpenPanel(
    bool allowsMultipleSelection, const std::vector<std::string>& acceptedTypes,
    std::function<void(std::optional<std::vector<std::filesystem::path>>)> completion) {
    // The input that asks for dropped files gets them, and nothing else does.
    if (handOver && isHandOver(acceptedTypes, handOver->token))
        return completion(std::exchange(handOver, std::nullopt)->files);
    OpenPanel panel;
    panel.allowsMultipleSelection = allowsMultipleSelection;
    panel.canChooseDirectories = false;
    panel.canChooseFiles = true;
    panel.texts = {"Åpne", "Åpne", cancelButton};
    window->beginOpenPanelSheet(
        panel, [completion](ModalResponse response, std::vector<std::filesystem::path> urls) {
            if (response == ModalResponse::ok)
                completion(std::move(urls));
            else
                completion(std::nullopt);
        });
}

} // namespace vorl
