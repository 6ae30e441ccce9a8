#pragma once

#include "base/main_window.h"
#include "base/places.h"
#include "bridge/page_bridge.h"
#include "engine/engine_pages.h"
#include "engine/engine_supervisor.h"
#include "engine/proxies.h"
#include "platform/platform.h"
#include "shell/menu_commands.h"
#include "shell/window_frame_file.h"
#include "webhost/desktop_drops.h"
#include "webhost/dialogs.h"
#include "webhost/downloads.h"
#include "webhost/dropped_folders.h"
#include "webhost/hand_overs.h"
#include "webhost/navigation.h"
#include "webhost/page_process.h"

namespace vorl {

// The application's root: it builds the objects of each subsystem and wires them to one another
// and to the platform, builds the window and the web view once the application has launched, and
// orders the application's end. Everything runs on the main thread.
class AppDelegate final : public ApplicationDelegate {
public:
    AppDelegate(Platform& platform, const Places& places);
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationWillFinishLaunching() override;
    void applicationDidFinishLaunching() override;
    bool applicationShouldTerminateAfterLastWindowClosed() override;
    void applicationWillTerminate() override;

private:
    WebViewConfiguration webViewConfiguration();

    Platform& platform;
    const Places places;
    // Kept from start to end; the window saves into it, so it goes last.
    WindowFrameFile frameFile;
    EngineProxies proxies;
    EnginePages enginePages;
    EngineSupervisor engine;
    Downloads downloads;
    HandOvers handOvers;
    DroppedFolders droppedFolders;
    DesktopDrops drops;
    PageDialogs dialogs;
    Navigation navigation;
    PageProcess pageProcess;
    PageBridge bridge;
    MenuCommands menu;
    // Declared last, so that the window goes first: what it still answers as it closes finds
    // every object above in place.
    MainWindow mainWindow;
};

} // namespace vorl
