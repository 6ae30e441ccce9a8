// Building the window and the web view once the event loop runs.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "shell/window_fit.h"
#include "shell/window_frame_file.h"
#include "webhost/page_scripts.h"
#include "webhost/tool_pages.h"

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
    configuration.drawsBackground = false;
    configuration.allowsMagnification = true;
    configuration.userScripts.push_back({std::string(decodeAudioScript), toolPagePatterns(builtInPage())});
    configuration.urlSchemeHandlers.push_back({"vorl-audio", this});
    takeProxyAnswers();
    web = platform.createWebView(configuration);
    web->setUIDelegate(*this);
    web->setNavigationDelegate(*this);
    if (proxies)
        web->setProxySettings(*proxies);

    window = platform.createWindow(WindowConfiguration{contentSize, true});
    window->setTitle("VORL Vorudi");
    window->setBackgroundColor(BG);
    window->setContentView(*web);
    // The window manager places a new window; a frame kept from an earlier run wins.
    frameFile = std::make_unique<WindowFrameFile>(
        windowFrameFile(platform.configDirectory(), "VORLVorudiHovedvindu"));
    window->setFrameStore(*frameFile);

    // The pages are on their way before the window shows, which takes a while: the splash, and
    // the engine's page too when the first probe has found it answering by now.
    web->loadHTMLString(SPLASH, std::nullopt);
    engine.splashRequested();
    // Never larger than the screen. Measuring the window readies it for showing: done once the
    // pages are on their way.
    WindowSizes sizes = fittedToScreen(window->frameSize(), minimumSize, window->screenArea());
    window->setMinSize(sizes.minimum);
    window->setFrameSize(sizes.frame);
    window->makeKeyAndOrderFront();
    platform.application().activateIgnoringOtherApps();
}

} // namespace vorl
