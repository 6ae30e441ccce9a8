#include "app_delegate.h"

#include "base/product.h"
#include "shell/window_fit.h"
#include "webhost/page_scripts.h"
#include "webhost/tool_pages.h"

namespace vorl {
namespace {

constexpr Size contentSize{1440, 920};
constexpr Size minimumSize{980, 640};

} // namespace

// The objects are given the window before it exists: none acts on it before the launch.
AppDelegate::AppDelegate(Platform& desktop, const Places& placesOnDisk)
    : platform(desktop), places(placesOnDisk),
      frameFile(windowFrameFile(desktop.configDirectory(), "VORLVorudiHovedvindu")), proxies(desktop),
      enginePages(mainWindow, desktop.application(), desktop.workspace(), proxies, places),
      engine(desktop, places, enginePages), downloads(mainWindow, places.DATA), handOvers(mainWindow),
      droppedFolders(mainWindow, handOvers),
      drops(mainWindow, builtInPage(places), handOvers, droppedFolders), dialogs(mainWindow, handOvers),
      navigation(mainWindow, desktop.workspace(), downloads, engine),
      pageProcess(mainWindow, desktop.clock(), desktop.mainQueue(), engine, builtInPage(places)),
      bridge(mainWindow, desktop.workspace()),
      menu(desktop.application(), mainWindow, desktop.workspace(), engine, places) {}

void AppDelegate::applicationWillFinishLaunching() {
    // The first probe and the proxies' lookup go out while the toolkit is still starting, so
    // that an engine that already answers can have its page requested together with the splash.
    engine.probeEarly();
    proxies.decide();
}

void AppDelegate::applicationDidFinishLaunching() {
    menu.buildMenu();

    std::unique_ptr<WebView> web = platform.createWebView(webViewConfiguration());
    web->setDialogDelegate(dialogs);
    web->setNavigationDelegate(navigation);
    web->setMagnificationDelegate(menu);
    web->setFileDragDelegate(drops);
    web->setContentProcessDelegate(pageProcess);
    proxies.applyTo(*web);

    std::unique_ptr<Window> window = platform.createWindow(WindowConfiguration{contentSize, true});
    window->setTitle("VORL Vorudi");
    window->setBackgroundColor(BG);
    window->setContentView(*web);
    // The window manager places a new window; a frame kept from an earlier run wins.
    window->setFrameStore(frameFile);
    mainWindow.open(std::move(web), std::move(window));

    // The pages are on their way before the window shows, which takes a while: the splash, and
    // the engine's page too when the first probe has found it answering by now.
    enginePages.showSplash();
    engine.splashRequested();
    // Never larger than the screen. Measuring the window readies it for showing: done once the
    // pages are on their way.
    Window& shown = mainWindow.window();
    WindowSizes sizes = fittedToScreen(shown.frameSize(), minimumSize, shown.screenArea());
    shown.setMinSize(sizes.minimum);
    shown.setFrameSize(sizes.frame);
    shown.makeKeyAndOrderFront();
    platform.application().activateIgnoringOtherApps();
}

WebViewConfiguration AppDelegate::webViewConfiguration() {
    WebViewConfiguration configuration;
    configuration.mediaPlaybackRequiresUserAction = false;
    configuration.scriptMessageHandlersWithReply.push_back({"vorl", &bridge});
    configuration.scriptMessageHandlersWithReply.push_back({"vorlDrops", &droppedFolders});
    configuration.developerExtrasEnabled = true;
    configuration.drawsBackground = false;
    configuration.allowsMagnification = true;
    const std::vector<std::string> toolPages = toolPagePatterns(builtInPage(places));
    configuration.userScripts.push_back({audioDecodingScript(), toolPages});
    configuration.userScripts.push_back({std::string(pageDropsScript), toolPages});
    return configuration;
}

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed() {
    return true;
}

void AppDelegate::applicationWillTerminate() {
    // A dialog on screen does not hold the application up: it and every waiting one are
    // answered as cancelled.
    if (mainWindow.isOpen())
        mainWindow.window().endSheets();
    downloads.cancelDownloadsInProgress();
    engine.stopEngines();
}

} // namespace vorl
