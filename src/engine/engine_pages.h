#pragma once

#include "base/main_window.h"
#include "base/places.h"
#include "engine/engine_supervisor.h"
#include "engine/proxies.h"
#include "platform/application.h"
#include "platform/workspace.h"

namespace vorl {

// What the engine's supervisor has the window show: the splash, the engine's page once the
// proxies let the view reach it directly, and the built-in page with its warning. It also keeps
// the restart command's availability in the menu.
class EnginePages final : public EngineSupervisorDelegate {
public:
    EnginePages(MainWindow& mainWindow, Application& application, Workspace& workspace,
                EngineProxies& proxies, const Places& places);

    void showSplash() override;
    void showEnginePage() override;
    void showBuiltInPage(const EngineWarning& warning) override;
    void cancelPageRequests() override;
    void restartAvailabilityChanged(bool available) override;

private:
    MainWindow& mainWindow;
    Application& application;
    Workspace& workspace;
    EngineProxies& proxies;
    const Places places;
};

} // namespace vorl
