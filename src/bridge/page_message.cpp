#include "page_message.h"

namespace vorl {
namespace {

const std::string* stringEntry(const ScriptValue::Dictionary& body, const std::string& key) {
    auto entry = body.find(key);
    if (entry == body.end())
        return nullptr;
    return std::get_if<std::string>(&entry->second.value);
}

} // namespace

PageRequest decodePageMessage(const ScriptValue& body) {
    const auto* dictionary = std::get_if<ScriptValue::Dictionary>(&body.value);
    if (!dictionary || dictionary->empty())
        return RejectedMessage{"ugyldig melding"};
    const std::string* command = stringEntry(*dictionary, "cmd");
    if (!command)
        return RejectedMessage{"ugyldig melding"};

    std::optional<std::filesystem::path> directory;
    if (const std::string* dir = stringEntry(*dictionary, "dir"); dir && !dir->empty())
        directory = *dir;

    if (*command == "chooseFolder")
        return ChooseFolder{directory};
    if (*command == "saveAs") {
        const std::string* name = stringEntry(*dictionary, "name");
        return SaveAs{directory, name ? *name : "slices.wav"};
    }
    if (*command == "reveal") {
        const std::string* path = stringEntry(*dictionary, "path");
        return Reveal{path ? std::optional<std::filesystem::path>(*path) : std::nullopt};
    }
    return RejectedMessage{"ukjent kommando"};
}

} // namespace vorl
