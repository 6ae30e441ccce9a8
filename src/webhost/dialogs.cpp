#include "dialogs.h"

#include "base/product.h"
#include "base/utf8.h"
#include "webhost/folder_walk.h"
#include "webhost/json_text.h"

namespace vorl {
namespace {

Alert pageAlert(const std::string& text) {
    return alert("VORL Vorudi", text, AlertStyle::informational);
}

} // namespace

PageDialogs::PageDialogs(MainWindow& shownIn, FileHandOvers& files) : mainWindow(shownIn), handOvers(files) {}

void PageDialogs::runJavaScriptAlertPanel(const std::string& message, std::function<void()> completion) {
    mainWindow.window().beginAlertSheet(pageAlert(message),
                                        [completion](const AlertResult&) { completion(); });
}

void PageDialogs::runJavaScriptConfirmPanel(const std::string& message,
                                            std::function<void(bool)> completion) {
    Alert alert = pageAlert(message);
    alert.buttons = {okButton, cancelButton};
    mainWindow.window().beginAlertSheet(
        alert, [completion](const AlertResult& result) { completion(result.button == 0u); });
}

void PageDialogs::runJavaScriptTextInputPanel(const std::string& prompt,
                                              const std::optional<std::string>& defaultText,
                                              std::function<void(std::optional<std::string>)> completion) {
    Alert alert = pageAlert(prompt);
    alert.accessoryTextField = AlertTextField{defaultText.value_or("")};
    alert.buttons = {okButton, cancelButton};
    mainWindow.window().beginAlertSheet(alert, [completion](const AlertResult& result) {
        if (result.button == 0u)
            completion(result.accessoryText);
        else
            completion(std::nullopt);
    });
}

void PageDialogs::runBeforeUnloadConfirmPanel(const std::string&, std::function<void(bool)> completion) {
    // Nothing asks the user before a page is left: leaving is always allowed.
    completion(true);
}

void PageDialogs::runOpenPanel(bool allowsMultipleSelection, const std::vector<std::string>& acceptedTypes,
                               FileChooserCompletion completion) {
    // An input that asks for files the application hands over is never shown a panel.
    if (handOvers.isHandOver(acceptedTypes))
        return handOvers.handOver(acceptedTypes, std::move(completion));
    if (acceptedTypes == std::vector<std::string>{folderInputType})
        return runFolderPanel(std::move(completion));
    OpenPanel panel;
    panel.allowsMultipleSelection = allowsMultipleSelection;
    panel.canChooseDirectories = false;
    panel.canChooseFiles = true;
    panel.texts = {"Åpne", "Åpne", cancelButton};
    mainWindow.window().beginOpenPanelSheet(
        panel, [completion](ModalResponse response, std::vector<std::filesystem::path> urls) {
            if (response == ModalResponse::ok)
                completion(std::move(urls));
            else
                completion(std::nullopt);
        });
}

void PageDialogs::runFolderPanel(FileChooserCompletion completion) {
    OpenPanel panel;
    panel.canChooseDirectories = true;
    panel.canChooseFiles = false;
    panel.texts = {"Velg mappe", "Velg", cancelButton};
    mainWindow.window().beginOpenPanelSheet(
        panel, [this, completion](ModalResponse response, std::vector<std::filesystem::path> urls) {
            if (response != ModalResponse::ok || urls.size() != 1)
                return completion(std::nullopt);
            // The page is told each file's path in the folder just before it gets the files.
            std::vector<std::filesystem::path> files;
            std::string paths = "[";
            for (FileBelow& file : filesBelow(urls.front())) {
                if (!isValidUtf8(file.relativePath))
                    continue;
                paths += (paths.size() > 1 ? "," : "") + jsonString(file.relativePath);
                files.push_back(std::move(file.path));
            }
            mainWindow.web().callAsyncJavaScript(
                "return window[Symbol.for('vorl.drops')].folderChosen(paths);",
                ScriptArguments{{"paths", paths + "]"}}, ScriptWorld::page,
                [completion, files](std::optional<std::string>) { completion(files); });
        });
}

} // namespace vorl
