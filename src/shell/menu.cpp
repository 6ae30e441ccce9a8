// The menu bar and where its actions land.

#include "app/app_delegate.h"
#include "shell/menu_table.h"

namespace vorl {

void AppDelegate::buildMenu() {
    platform.application().setMainMenu(mainMenu(), *this);
}

void AppDelegate::performMenuAction(MenuAction action) {
    Application& application = platform.application();
    switch (action) {
    case MenuAction::orderFrontStandardAboutPanel:
        return application.orderFrontStandardAboutPanel();
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
        return window->zoom();
    }
}

} // namespace vorl
