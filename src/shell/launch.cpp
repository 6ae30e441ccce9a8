// Building the window and the web view once the event loop runs.

#include "app/app_delegate.h"
#include "app/globals.h"

namespace vorl {
namespace {

constexpr Size contentSize{1440, 920};
constexpr Size minimumSize{980, 640};

} // namespace

void AppDelegate::applicationDidFinishLaunching() {
    buildMenu();

    WebViewConfiguration configuration;
    configuration.mediaPlaybackRequiresUserAction = false;
    configuration.scriptMessageHandlersWithReply.push_back({"vorl", this});
    configuration.developerExtrasEnabled = true;
    web = platform.createWebView(configuration);
    web->setUIDelegate(*this);
    web->setNavigationDelegate(*this);
    web->setDrawsBackground(false);
    web->setAllowsMagnification(true);

    window = platform.createWindow(contentSize);
    window->setTitle("VORL Vorudi");
    window->setAppearance(Appearance::dark);
    window->setBackgroundColor(BG);
    window->setMinSize(minimumSize);
    window->setContentView(*web);
    // The window manager places a new window; a frame saved in an earlier run wins.
    window->setFrameAutosaveName("VORLVorudiHovedvindu");
    window->makeKeyAndOrderFront();
    platform.application().activateIgnoringOtherApps();

    web->loadHTMLString(SPLASH, std::nullopt);
    connect();
}

} // namespace vorl
