#pragma once

#include "menu.h"

#include <string>
#include <vector>

namespace vorl {

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    // Once, on the main thread, as early as the application may act: in the instance that will
    // run (not in one that hands over to a running instance), before the toolkit has started.
    // What it posts to the main queue runs only after applicationDidFinishLaunching.
    virtual void applicationWillFinishLaunching() = 0;
    // Once, on the main thread, when the event loop has started.
    virtual void applicationDidFinishLaunching() = 0;
    // Asked once at start: whether closing the last window ends the application.
    virtual bool applicationShouldTerminateAfterLastWindowClosed() = 0;
    // Once, on the main thread, just before the application exits, however it ends: the
    // quit command, the last window closed, or a polite kill from outside.
    virtual void applicationWillTerminate() = 0;
};

// What the about panel shows, beside the application's icon.
struct AboutPanel {
    std::string title;
    std::string programName;
    std::string version;
    std::string comments;
};

// The running application: its event loop, its menu bar and its standard commands.
class Application {
public:
    virtual ~Application() = default;
    // The delegate is not owned and must outlive the event loop.
    virtual void setDelegate(ApplicationDelegate& delegate) = 0;
    // Runs the event loop until the application terminates; returns the exit status.
    virtual int run() = 0;
    // Ends the event loop; applicationWillTerminate runs first.
    virtual void terminate() = 0;
    // Brings the application's window to the front even while another application is active.
    virtual void activateIgnoringOtherApps() = 0;
    // Installs the menus as the menu bar, with their shortcuts; target receives their actions.
    virtual void setMainMenu(const std::vector<Menu>& menus, MenuTarget& target) = 0;
    // Enables or disables the items and shortcuts of an action of the menu bar, as the state of
    // the application allows it now.
    virtual void setMenuActionEnabled(MenuAction action, bool enabled) = 0;
    virtual void orderFrontStandardAboutPanel(const AboutPanel& about) = 0;
    // Takes the application out of sight: its window is minimised.
    virtual void hide() = 0;
};

} // namespace vorl
