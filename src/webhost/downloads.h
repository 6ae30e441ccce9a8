#pragma once

#include "base/main_window.h"
#include "platform/web_view_delegates.h"

#include <filesystem>
#include <map>
#include <memory>

namespace vorl {

// Saves what the page offers for download where the user chooses, proposing
// DATA/"Vuzezi for QLab": each transfer is written beside its destination and moved over it only
// once complete. The delegate of every download of the view; everything runs on the main thread.
class Downloads final : public DownloadDelegate {
public:
    Downloads(MainWindow& mainWindow, std::filesystem::path dataFolder);
    Downloads(const Downloads&) = delete;
    Downloads& operator=(const Downloads&) = delete;

    void decideDestination(Download& download, const std::string& suggestedFilename,
                           std::function<void(std::optional<std::filesystem::path>)> completion) override;
    void downloadDidFinish(Download& download) override;
    void downloadDidFail(Download& download, const DownloadError& error) override;
    // At quit: stops every download still running and removes its partial file.
    void cancelDownloadsInProgress();

private:
    void showFailure(const std::string& reason);

    // A download from the moment it asks for a destination until it ends. Its save panel's
    // completion holds it too, and may run after the download has ended and gone.
    struct DownloadSave {
        bool ended = false;
        std::filesystem::path partial; // written by the transfer, moved over the destination
        std::filesystem::path destination;
    };
    MainWindow& mainWindow;
    const std::filesystem::path dataFolder;
    std::map<Download*, std::shared_ptr<DownloadSave>> saves;
};

} // namespace vorl
