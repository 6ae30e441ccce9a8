#pragma once

#include "url.h"

#include <filesystem>
#include <vector>

namespace vorl {

// The desktop's default handlers. Both calls are best effort: a failure is dropped.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Opens the URL with the user's default handler: a browser, a file manager, an editor.
    virtual void openURL(const Url& url) = 0;
    // Shows the items, given by absolute paths, selected in the file manager.
    virtual void activateFileViewerSelecting(const std::vector<std::filesystem::path>& items) = 0;
};

} // namespace vorl
