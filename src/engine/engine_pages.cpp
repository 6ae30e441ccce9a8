// What the engine's supervisor has the window show: the splash, the engine's page, the built-in
// page with its warning.

#include "app/app_delegate.h"
#include "app/globals.h"

namespace vorl {
namespace {

constexpr Seconds pageTimeout = 60.0;

} // namespace

void AppDelegate::showSplash() {
    web->loadHTMLString(SPLASH, std::nullopt);
}

void AppDelegate::showEnginePage() {
    // Where the system's settings would send it through a proxy, the page waits for the
    // settings that take the engine out of them.
    takeProxyAnswers();
    if (!proxiesKnown) {
        enginePageWaiting = true;
        return;
    }
    web->loadRequest(UrlRequest{BASE, "GET", pageTimeout});
}

void AppDelegate::showBuiltInPage(const EngineWarning& warning) {
    std::error_code error;
    if (std::filesystem::exists(builtInPage().filePath(), error))
        web->loadFileURL(builtInPage(), Url::fileUrl(ENG));
    window->beginAlertSheet(engineWarningAlert(warning), [this](const AlertResult& result) {
        if (result.button == showLogButton)
            showLog();
    });
}

Url AppDelegate::builtInPage() const {
    return Url::fileUrl(ENG / "Auto-Vorudi.html");
}

void AppDelegate::cancelPageRequests() {
    window->endSheets();
}

void AppDelegate::restartAvailabilityChanged(bool available) {
    platform.application().setMenuActionEnabled(MenuAction::restartEngine, available);
}

} // namespace vorl
