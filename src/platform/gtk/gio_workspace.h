#pragma once

#include "platform/language_environment.h"
#include "platform/workspace.h"

namespace vorl {

// Opens through GIO's default handlers and shows files through the session's file manager. The
// programs it starts get the application's environment with forPrograms on top.
class GioWorkspace final : public Workspace {
public:
    explicit GioWorkspace(EnvironmentChanges forPrograms) : programsEnvironment(std::move(forPrograms)) {}

    void openURL(const Url& url) override;
    void activateFileViewerSelecting(const std::vector<std::filesystem::path>& items) override;

private:
    EnvironmentChanges programsEnvironment;
};

} // namespace vorl
