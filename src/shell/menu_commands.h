#pragma once

#include "base/main_window.h"
#include "base/places.h"
#include "engine/engine_control.h"
#include "platform/application.h"
#include "platform/web_view_delegates.h"
#include "platform/workspace.h"

namespace vorl {

// The menu bar and where its actions land: the application's standard commands, the view's
// reload and zoom, the folder and log, the engine's restart, editing and the window's own; and
// the zoom a pinch or Ctrl and the wheel asks for. Runs on the main thread.
class MenuCommands final : public MenuTarget, public MagnificationDelegate {
public:
    MenuCommands(Application& application, MainWindow& mainWindow, Workspace& workspace,
                 EngineControl& engine, const Places& places);

    // Installs the menu bar, with the restart enabled as the engine's supervision allows it now.
    void buildMenu();
    void performMenuAction(MenuAction action) override;
    void didRequestPageZoom(double zoom) override;

    void reloadPage();
    void zoomReset();
    void zoomIn();
    void zoomOut();
    void showFolder();
    void showLog();

private:
    Application& application;
    MainWindow& mainWindow;
    Workspace& workspace;
    EngineControl& engine;
    const Places places;
};

} // namespace vorl
