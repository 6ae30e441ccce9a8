// Where navigations go, and recovery when the engine's page cannot load.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "webhost/navigation_rules.h"

namespace vorl {

void AppDelegate::decidePolicyForNavigationAction(
    const NavigationAction& action, std::function<void(NavigationActionPolicy)> decisionHandler) {
    switch (decideNavigationAction(action)) {
    case ActionDecision::download:
        return decisionHandler(NavigationActionPolicy::download);
    case ActionDecision::allow:
        // A link with a download attribute arrives here unmarked and is downloaded by the
        // web view itself once allowed; one to an outside host went to the browser instead.
        return decisionHandler(NavigationActionPolicy::allow);
    case ActionDecision::openInBrowser:
        platform.workspace().openURL(*action.url);
        return decisionHandler(NavigationActionPolicy::cancel);
    }
}

void AppDelegate::decidePolicyForNavigationResponse(
    const NavigationResponse& response, std::function<void(NavigationResponsePolicy)> decisionHandler) {
    decisionHandler(decideNavigationResponse(response));
}

void AppDelegate::createWebView(const NavigationAction& action) {
    if (action.url)
        platform.workspace().openURL(*action.url);
}

void AppDelegate::navigationDidBecomeDownload(Download& download) {
    download.setDelegate(*this);
}

void AppDelegate::didFailProvisionalNavigation(NavigationFailure failure) {
    if (shouldRecoverFromFailure(web->url(), failure))
        recoverEnginePage();
}

void AppDelegate::webContentProcessDidTerminate(WebContentProcessTermination reason) {
    switch (recordContentProcessDeath(contentProcessDeaths, platform.clock().now())) {
    case ContentProcessOutcome::recover:
        return recoverEnginePage();
    case ContentProcessOutcome::giveUp:
        return fallback(EngineWarning{reason == WebContentProcessTermination::exceededMemoryLimit
                                          ? FallbackReason::pageOutOfMemoryThrice
                                          : FallbackReason::pageCrashedThrice});
    }
}

void AppDelegate::recoverEnginePage() {
    showSplash();
    connect();
}

} // namespace vorl
