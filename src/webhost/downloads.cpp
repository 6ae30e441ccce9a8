// Saving what the page offers for download where the user chooses.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "webhost/partial_file.h"

namespace vorl {

void AppDelegate::decideDestination(Download& download, const std::string& suggestedFilename,
                                    std::function<void(std::optional<std::filesystem::path>)> completion) {
    SavePanel panel;
    panel.nameFieldStringValue = suggestedFilename;
    std::filesystem::path folder = DATA / "Vuzezi for QLab";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    panel.directory = folder;
    window->beginSavePanelSheet(
        panel, [this, &download, completion](int response, std::optional<std::filesystem::path> chosen) {
            if (response != ModalResponseOK || !chosen)
                return completion(std::nullopt);
            std::string error;
            std::optional<std::filesystem::path> partial = reservePartialFile(*chosen, error);
            if (!partial) {
                completion(std::nullopt);
                return showAlert("Lagring feilet", error, AlertStyle::informational);
            }
            pendingSaves[&download] = PendingSave{*partial, *chosen};
            completion(partial);
        });
}

void AppDelegate::downloadDidFinish(Download& download) {
    auto pending = pendingSaves.extract(&download);
    if (pending.empty())
        return;
    const PendingSave& save = pending.mapped();
    if (auto failure = completePartialFile(save.partial, save.destination, download.expectedContentLength(),
                                           download.receivedDataLength()))
        showAlert("Lagring feilet", *failure, AlertStyle::informational);
}

void AppDelegate::downloadDidFail(Download& download, const DownloadError& error) {
    if (auto pending = pendingSaves.extract(&download); !pending.empty()) {
        std::error_code ignored;
        std::filesystem::remove(pending.mapped().partial, ignored);
    }
    // A cancelled download is the user's choice, not a failure.
    if (!error.isCancellation)
        showAlert("Lagring feilet", error.localizedDescription, AlertStyle::informational);
}

} // namespace vorl
