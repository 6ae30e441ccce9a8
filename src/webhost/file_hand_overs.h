#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorl {

using FileChooserCompletion = std::function<void(std::optional<std::vector<std::filesystem::path>>)>;

// Files the application hands to a tool page through a file input of its own, which asks for them
// under an accepted type no page could guess. The page's dialogs leave such requests to it.
class FileHandOvers {
public:
    virtual ~FileHandOvers() = default;
    // Whether a file input that accepts acceptedTypes asks for a hand-over, whichever.
    virtual bool isHandOver(const std::vector<std::string>& acceptedTypes) const = 0;
    // Answers such an input: with the files handed over under its type, or as cancelled where
    // none are. Never shows a panel.
    virtual void handOver(const std::vector<std::string>& acceptedTypes,
                          FileChooserCompletion completion) = 0;
};

} // namespace vorl
