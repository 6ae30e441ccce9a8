#pragma once

#include "base/main_window.h"
#include "platform/web_view_delegates.h"
#include "webhost/file_hand_overs.h"

namespace vorl {

inline constexpr const char* folderInputType = "application/x-vorl-folder";

// The page's alert, confirm, prompt and file inputs, as sheets on the main window, one at a time
// in the order the page asked for them; and its question before it is left. A folder input of a
// tool page (page_drops.js asks for it by folderInputType) gets a folder panel, and the files
// below the folder chosen with their paths in it.
class PageDialogs final : public DialogDelegate {
public:
    PageDialogs(MainWindow& mainWindow, FileHandOvers& handOvers);

    void runJavaScriptAlertPanel(const std::string& message, std::function<void()> completion) override;
    void runJavaScriptConfirmPanel(const std::string& message, std::function<void(bool)> completion) override;
    void runJavaScriptTextInputPanel(const std::string& prompt, const std::optional<std::string>& defaultText,
                                     std::function<void(std::optional<std::string>)> completion) override;
    void runOpenPanel(bool allowsMultipleSelection, const std::vector<std::string>& acceptedTypes,
                      FileChooserCompletion completion) override;
    void runBeforeUnloadConfirmPanel(const std::string& message,
                                     std::function<void(bool)> completion) override;

private:
    void runFolderPanel(FileChooserCompletion completion);

    MainWindow& mainWindow;
    FileHandOvers& handOvers;
};

} // namespace vorl
