#pragma once

#include "base/main_window.h"
#include "engine/engine_control.h"
#include "platform/web_view_delegates.h"
#include "platform/workspace.h"

namespace vorl {

// Where the view's navigations go: the view stays on the local engine and sends other hosts to
// the default browser, hands downloads to their delegate, and brings the engine back when its
// page cannot load.
class Navigation final : public NavigationDelegate {
public:
    Navigation(MainWindow& mainWindow, Workspace& workspace, DownloadDelegate& downloads,
               EngineControl& engine);

    void decidePolicyForNavigationAction(
        const NavigationAction& action, std::function<void(NavigationActionPolicy)> decisionHandler) override;
    void decidePolicyForNavigationResponse(
        const NavigationResponse& response,
        std::function<void(NavigationResponsePolicy)> decisionHandler) override;
    void createWebView(const NavigationAction& action) override;
    void navigationDidBecomeDownload(Download& download) override;
    void didFailProvisionalNavigation(NavigationFailure failure) override;

private:
    MainWindow& mainWindow;
    Workspace& workspace;
    DownloadDelegate& downloads;
    EngineControl& engine;
};

} // namespace vorl
