#include "downloads.h"

#include "base/product.h"
#include "webhost/partial_file.h"

#include <utility>

namespace vorl {

Downloads::Downloads(MainWindow& shownIn, std::filesystem::path data)
    : mainWindow(shownIn), dataFolder(std::move(data)) {}

void Downloads::decideDestination(Download& download, const std::string& suggestedFilename,
                                  std::function<void(std::optional<std::filesystem::path>)> completion) {
    SavePanel panel;
    panel.texts = {"Lagre", "Lagre", cancelButton};
    panel.nameFieldStringValue = suggestedFilename;
    std::filesystem::path folder = dataFolder / "Vuzezi for QLab";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    panel.directory = folder;
    auto save = std::make_shared<DownloadSave>();
    saves[&download] = save;
    mainWindow.window().beginSavePanelSheet(
        panel, [this, save, completion](ModalResponse response, std::optional<std::filesystem::path> chosen) {
            // A download that ended while the panel was open has nothing left to write.
            if (save->ended || response != ModalResponse::ok || !chosen)
                return completion(std::nullopt);
            Result<std::filesystem::path> partial = reservePartialFile(*chosen);
            if (!partial) {
                completion(std::nullopt);
                return showFailure(partial.error());
            }
            save->partial = *partial;
            save->destination = *chosen;
            completion(*partial);
        });
}

void Downloads::downloadDidFinish(Download& download) {
    auto entry = saves.extract(&download);
    if (entry.empty())
        return;
    DownloadSave& save = *entry.mapped();
    save.ended = true;
    if (save.partial.empty())
        return;
    Result<void> completed = completePartialFile(
        save.partial, save.destination, download.expectedContentLength(), download.receivedDataLength());
    if (!completed)
        showFailure(completed.error());
}

void Downloads::downloadDidFail(Download& download, const DownloadError& error) {
    if (auto entry = saves.extract(&download); !entry.empty()) {
        DownloadSave& save = *entry.mapped();
        save.ended = true;
        std::error_code ignored;
        if (!save.partial.empty())
            std::filesystem::remove(save.partial, ignored);
    }
    // A cancelled download is the user's choice, not a failure.
    if (!error.isCancellation)
        showFailure(error.localizedDescription);
}

void Downloads::cancelDownloadsInProgress() {
    // The event loop may not run again: the partial files go now, not when WebKit reports the
    // cancellation. What stood at each destination is left whole.
    for (auto& [download, save] : std::exchange(saves, {})) {
        save->ended = true;
        download->cancel();
        std::error_code ignored;
        if (!save->partial.empty())
            std::filesystem::remove(save->partial, ignored);
    }
}

void Downloads::showFailure(const std::string& reason) {
    mainWindow.window().beginAlertSheet(alert("Lagring feilet", reason, AlertStyle::informational),
                                        [](const AlertResult&) {});
}

} // namespace vorl
