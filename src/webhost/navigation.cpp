#include "navigation.h"

#include "webhost/navigation_rules.h"

namespace vorl {

Navigation::Navigation(MainWindow& shownIn, Workspace& desktop, DownloadDelegate& saving,
                       EngineControl& supervision)
    : mainWindow(shownIn), workspace(desktop), downloads(saving), engine(supervision) {}

void Navigation::decidePolicyForNavigationAction(
    const NavigationAction& action, std::function<void(NavigationActionPolicy)> decisionHandler) {
    switch (decideNavigationAction(action)) {
    case ActionDecision::download:
        return decisionHandler(NavigationActionPolicy::download);
    case ActionDecision::allow:
        // A link with a download attribute arrives here unmarked and is downloaded by the
        // web view itself once allowed; one to an outside host went to the browser instead.
        return decisionHandler(NavigationActionPolicy::allow);
    case ActionDecision::openInBrowser:
        workspace.openURL(*action.url);
        return decisionHandler(NavigationActionPolicy::cancel);
    }
}

void Navigation::decidePolicyForNavigationResponse(
    const NavigationResponse& response, std::function<void(NavigationResponsePolicy)> decisionHandler) {
    decisionHandler(decideNavigationResponse(response));
}

void Navigation::createWebView(const NavigationAction& action) {
    if (action.url)
        workspace.openURL(*action.url);
}

void Navigation::navigationDidBecomeDownload(Download& download) {
    download.setDelegate(downloads);
}

void Navigation::didFailProvisionalNavigation(NavigationFailure failure) {
    if (shouldRecoverFromFailure(mainWindow.web().url(), failure))
        engine.recoverEnginePage();
}

} // namespace vorl
