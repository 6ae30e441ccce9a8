// The application's life: its start, its end, and the engine's supervisor it forwards to.

#include "app_delegate.h"

namespace vorl {

AppDelegate::AppDelegate(Platform& desktop) : platform(desktop), engine(desktop, *this) {}

void AppDelegate::applicationWillFinishLaunching() {
    // The first probe and the proxies' lookup go out while the toolkit is still starting, so
    // that an engine that already answers can have its page requested together with the splash.
    engine.probeEarly();
    decideProxies();
}

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed() {
    return true;
}

void AppDelegate::applicationWillTerminate() {
    // A dialog on screen does not hold the application up: it and every waiting one are
    // answered as cancelled.
    window->endSheets();
    cancelDownloadsInProgress();
    engine.stopEngines();
}

void AppDelegate::connect() {
    engine.connect();
}

void AppDelegate::restartEngine() {
    engine.restartEngine();
}

void AppDelegate::fallback(const EngineWarning& warning) {
    engine.fallback(warning);
}

void AppDelegate::showAlert(const std::string& messageText, const std::string& informativeText,
                            AlertStyle style) {
    window->beginAlertSheet(alert(messageText, informativeText, style), [](const AlertResult&) {});
}

} // namespace vorl
