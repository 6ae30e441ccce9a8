// The menu bar, where its actions land, and the application's own view and folder commands.

#include "app/app_delegate.h"
#include "app/globals.h"
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

void AppDelegate::buildMenu() {
    platform.application().setMainMenu(mainMenu(), *this);
    restartAvailabilityChanged(engine.restartAvailable());
}

void AppDelegate::performMenuAction(MenuAction action) {
    Application& application = platform.application();
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
        return restartEngine();
    case MenuAction::reloadPage:
        return reloadPage();
    case MenuAction::zoomReset:
        return zoomReset();
    case MenuAction::zoomIn:
        return zoomIn();
    case MenuAction::zoomOut:
        return zoomOut();
    case MenuAction::undo:
        return web->executeEditingCommand(EditingCommand::undo);
    case MenuAction::redo:
        return web->executeEditingCommand(EditingCommand::redo);
    case MenuAction::cut:
        return web->executeEditingCommand(EditingCommand::cut);
    case MenuAction::copy:
        return web->executeEditingCommand(EditingCommand::copy);
    case MenuAction::paste:
        return web->executeEditingCommand(EditingCommand::paste);
    case MenuAction::selectAll:
        return web->executeEditingCommand(EditingCommand::selectAll);
    case MenuAction::toggleFullScreen:
        return window->toggleFullScreen();
    case MenuAction::performMiniaturize:
        return window->miniaturize();
    case MenuAction::performZoom:
        return window->toggleMaximized();
    }
}

void AppDelegate::reloadPage() {
    // What the page asked for is answered as cancelled before it goes: none of its requests
    // outlives it unanswered.
    window->endSheets();
    switch (decideReload(web->url())) {
    case ReloadAction::reload:
        return web->reload();
    case ReloadAction::connect:
        return connect();
    }
}

void AppDelegate::zoomReset() {
    web->setPageZoom(zoomResetValue);
}

void AppDelegate::zoomIn() {
    web->setPageZoom(zoomedIn(web->pageZoom()));
}

void AppDelegate::zoomOut() {
    web->setPageZoom(zoomedOut(web->pageZoom()));
}

void AppDelegate::didRequestPageZoom(double zoom) {
    web->setPageZoom(clampedZoom(zoom));
}

void AppDelegate::showFolder() {
    std::error_code ignored;
    std::filesystem::create_directories(DATA, ignored);
    platform.workspace().openURL(Url::fileUrl(DATA));
}

void AppDelegate::showLog() {
    platform.workspace().openURL(Url::fileUrl(LOGFILE));
}

} // namespace vorl
