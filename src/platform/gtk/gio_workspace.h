#pragma once

#include "platform/workspace.h"

namespace vorl {

// Opens through GIO's default handlers and shows files through the session's file manager.
class GioWorkspace final : public Workspace {
public:
    void openURL(const Url& url) override;
    void activateFileViewerSelecting(const std::vector<std::filesystem::path>& items) override;
};

} // namespace vorl
