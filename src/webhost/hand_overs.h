#pragma once

#include "base/main_window.h"
#include "webhost/file_hand_overs.h"

#include <map>
#include <string>

namespace vorl {

// Files on their way to the tool page shown now, each lot under a token of its own, for the file
// input that asks for them under it. Only that document gets them: once another has committed,
// its input is answered as cancelled.
class HandOvers final : public FileHandOvers {
public:
    explicit HandOvers(MainWindow& mainWindow);

    // Offers files to the document shown now; the token their input is to ask under.
    std::string offer(std::vector<std::filesystem::path> files);
    // The files under token are no longer on offer.
    void withdraw(const std::string& token);

    bool isHandOver(const std::vector<std::string>& acceptedTypes) const override;
    void handOver(const std::vector<std::string>& acceptedTypes, FileChooserCompletion completion) override;

private:
    struct Offer {
        unsigned document;
        std::vector<std::filesystem::path> files;
    };
    MainWindow& mainWindow;
    std::map<std::string, Offer> offers;
};

} // namespace vorl
