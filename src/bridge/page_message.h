#pragma once

#include "platform/script_message.h"

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

namespace vorl {

// What a message posted to "vorl" asks for.
struct ChooseFolder {
    std::optional<std::filesystem::path> directory; // where the panel opens; none: its default
    bool operator==(const ChooseFolder&) const = default;
};

struct SaveAs {
    std::optional<std::filesystem::path> directory;
    std::string name; // proposed file name
    bool operator==(const SaveAs&) const = default;
};

struct Reveal {
    std::optional<std::filesystem::path> path; // absolute; none: nothing is shown
    bool operator==(const Reveal&) const = default;
};

// A message that cannot be carried out; error is the reply's error message.
struct RejectedMessage {
    std::string error;
    bool operator==(const RejectedMessage&) const = default;
};

using PageRequest = std::variant<ChooseFolder, SaveAs, Reveal, RejectedMessage>;

// Reads cmd, dir, name and path from the posted object, each only when it is a string, and
// nothing else.
PageRequest decodePageMessage(const ScriptMessage& body);

} // namespace vorl
