#include "menu_commands.h"

#include "shell/menu_table.h"
#include "shell/view_decisions.h"

namespace vorl {
namespace {

AboutPanel aboutPanel() {
    return AboutPanel{"Om VORL Vorudi", "VORL Vorudi", VORL_VERSION,
                      "Skrivebordsappen for VORL Vorudi, verktøyet som deler opp lydopptak i slices. "
                      "Den starter og stopper analysemotoren og viser verktøyet i sitt eget vindu."};
}

} // namespace

MenuCommands::MenuCommands(Application& running, MainWindow& shownIn, Workspace& desktop,
                           EngineControl& supervision, const Places& placesOnDisk)
    : application(running), mainWindow(shownIn), workspace(desktop), engine(supervision),
      places(placesOnDisk) {}

void MenuCommands::buildMenu() {
    application.setMainMenu(mainMenu(), *this);
    application.setMenuActionEnabled(MenuAction::restartEngine, engine.restartAvailable());
}

void MenuCommands::performMenuAction(MenuAction action) {
    WebView& web = mainWindow.web();
    Window& window = mainWindow.window();
    switch (action) {
    case MenuAction::orderFrontStandardAboutPanel:
        return application.orderFrontStandardAboutPanel(aboutPanel());
    case MenuAction::hide:
        return application.hide();
    case MenuAction::hideOtherApplications:
    case MenuAction::unhideAllApplications:
        return; // disabled in the menu: nothing here can carry them out
    case MenuAction::terminate:
        return application.terminate();
    case MenuAction::showFolder:
        return showFolder();
    case MenuAction::showLog:
        return showLog();
    case MenuAction::restartEngine:
        return engine.restartEngine();
    case MenuAction::reloadPage:
        return reloadPage();
    case MenuAction::zoomReset:
        return zoomReset();
    case MenuAction::zoomIn:
        return zoomIn();
    case MenuAction::zoomOut:
        return zoomOut();
    case MenuAction::undo:
        return web.executeEditingCommand(EditingCommand::undo);
    case MenuAction::redo:
        return web.executeEditingCommand(EditingCommand::redo);
    case MenuAction::cut:
        return web.executeEditingCommand(EditingCommand::cut);
    case MenuAction::copy:
        return web.executeEditingCommand(EditingCommand::copy);
    case MenuAction::paste:
        return web.executeEditingCommand(EditingCommand::paste);
    case MenuAction::selectAll:
        return web.executeEditingCommand(EditingCommand::selectAll);
    case MenuAction::toggleFullScreen:
        return window.toggleFullScreen();
    case MenuAction::performMiniaturize:
        return window.miniaturize();
    case MenuAction::performZoom:
        return window.toggleMaximized();
    }
}

void MenuCommands::reloadPage() {
    // What the page asked for is answered as cancelled before it goes: none of its requests
    // outlives it unanswered.
    mainWindow.window().endSheets();
    switch (decideReload(mainWindow.web().url())) {
    case ReloadAction::reload:
        return mainWindow.web().reload();
    case ReloadAction::connect:
        return engine.connect();
    }
}

void MenuCommands::zoomReset() {
    mainWindow.web().setPageZoom(zoomResetValue);
}

void MenuCommands::zoomIn() {
    mainWindow.web().setPageZoom(zoomedIn(mainWindow.web().pageZoom()));
}

void MenuCommands::zoomOut() {
    mainWindow.web().setPageZoom(zoomedOut(mainWindow.web().pageZoom()));
}

void MenuCommands::didRequestPageZoom(double zoom) {
    mainWindow.web().setPageZoom(clampedZoom(zoom));
}

void MenuCommands::showFolder() {
    std::error_code ignored;
    std::filesystem::create_directories(places.DATA, ignored);
    workspace.openURL(Url::fileUrl(places.DATA));
}

void MenuCommands::showLog() {
    workspace.openURL(Url::fileUrl(places.LOGFILE));
}

} // namespace vorl
