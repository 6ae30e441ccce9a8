#include "hand_overs.h"

#include "webhost/file_drops.h"

namespace vorl {

HandOvers::HandOvers(MainWindow& shownIn) : mainWindow(shownIn) {}

std::string HandOvers::offer(std::vector<std::filesystem::path> files) {
    unsigned document = mainWindow.web().shownDocument().number;
    // What another document was offered will never be asked for.
    std::erase_if(offers, [document](const auto& entry) { return entry.second.document != document; });
    std::string token = handOverToken();
    offers[token] = Offer{document, std::move(files)};
    return token;
}

void HandOvers::withdraw(const std::string& token) {
    offers.erase(token);
}

bool HandOvers::isHandOver(const std::vector<std::string>& acceptedTypes) const {
    return acceptedTypes.size() == 1 && isHandOverType(acceptedTypes.front());
}

void HandOvers::handOver(const std::vector<std::string>& acceptedTypes, FileChooserCompletion completion) {
    auto offered =
        acceptedTypes.size() == 1 ? offers.extract(acceptedTypes.front()) : decltype(offers)::node_type();
    // No lot under that type, or one for a document that a navigation has since replaced.
    if (offered.empty() || offered.mapped().document != mainWindow.web().shownDocument().number)
        return completion(std::nullopt);
    completion(std::move(offered.mapped().files));
}

} // namespace vorl
