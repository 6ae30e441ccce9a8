#include "engine_pages.h"

#include "base/product.h"

namespace vorl {
namespace {

constexpr Seconds pageTimeout = 60.0;

} // namespace

EnginePages::EnginePages(MainWindow& shownIn, Application& running, Workspace& desktop, EngineProxies& routes,
                         const Places& placesOnDisk)
    : mainWindow(shownIn), application(running), workspace(desktop), proxies(routes), places(placesOnDisk) {}

void EnginePages::showSplash() {
    mainWindow.web().loadHTMLString(SPLASH, std::nullopt);
}

void EnginePages::showEnginePage() {
    // Where the system's settings would send it through a proxy, the page waits for the settings
    // that take the engine out of them.
    proxies.whenDecided([this] { mainWindow.web().loadRequest(UrlRequest{BASE, "GET", pageTimeout}); });
}

void EnginePages::showBuiltInPage(const EngineWarning& warning) {
    std::error_code error;
    if (std::filesystem::exists(builtInPage(places).filePath(), error))
        mainWindow.web().loadFileURL(builtInPage(places), Url::fileUrl(places.ENG));
    mainWindow.window().beginAlertSheet(engineWarningAlert(warning), [this](const AlertResult& result) {
        if (result.button == showLogButton)
            workspace.openURL(Url::fileUrl(places.LOGFILE));
    });
}

void EnginePages::cancelPageRequests() {
    mainWindow.window().endSheets();
}

void EnginePages::restartAvailabilityChanged(bool available) {
    application.setMenuActionEnabled(MenuAction::restartEngine, available);
}

} // namespace vorl
