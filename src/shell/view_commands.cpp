// The view and folder commands of the menu.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "shell/view_decisions.h"

namespace vorl {

void AppDelegate::reloadPage() {
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

void AppDelegate::showFolder() {
    std::error_code ignored;
    std::filesystem::create_directories(DATA, ignored);
    platform.workspace().openURL(Url::fileUrl(DATA));
}

void AppDelegate::showLog() {
    platform.workspace().openURL(Url::fileUrl(LOGFILE));
}

} // namespace vorl
