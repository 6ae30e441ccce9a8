#include "page_message.h"

namespace vorl {

PageRequest decodePageMessage(const ScriptMessage& body) {
    std::optional<std::string> command = body.stringEntry("cmd");
    if (!command)
        return RejectedMessage{"ugyldig melding"};

    std::optional<std::filesystem::path> directory;
    if (std::optional<std::string> dir = body.stringEntry("dir"); dir && !dir->empty())
        directory = *dir;

    if (*command == "chooseFolder")
        return ChooseFolder{directory};
    if (*command == "saveAs")
        return SaveAs{directory, body.stringEntry("name").value_or("slices.wav")};
    if (*command == "reveal") {
        // Only an absolute path names an item; anything else shows nothing.
        std::optional<std::filesystem::path> path = body.stringEntry("path");
        if (path && !path->is_absolute())
            path.reset();
        return Reveal{path};
    }
    return RejectedMessage{"ukjent kommando"};
}

} // namespace vorl
