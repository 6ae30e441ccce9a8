#pragma once

#include "sheets.h"
#include "values.h"

#include <optional>
#include <string>

namespace vorl {

class WebView;

struct WindowConfiguration {
    Size contentSize;            // on a first run, when no frame is kept
    bool darkAppearance = false; // dark whatever the desktop's own theme is
};

// A window's size and state, as kept from one run to the next.
struct WindowFrame {
    int width = 0; // 0: none kept
    int height = 0;
    bool maximized = false;
};

// Keeps a window's frame between runs; the application decides where and how.
class WindowFrameStore {
public:
    virtual ~WindowFrameStore() = default;
    // The frame kept from an earlier run; nullopt when there is none.
    virtual std::optional<WindowFrame> load() = 0;
    virtual void save(const WindowFrame& frame) = 0;
};

// The application's main window. Sheets are modal for this window only: the rest of the
// application, its menu included, goes on working while one is shown. The window shows one
// sheet at a time: alerts and panels alike wait, in the order they were asked for, until the
// sheets before them have ended. Closing the window answers the shown and the waiting ones
// as cancelled.
class Window {
public:
    virtual ~Window() = default;

    virtual void setTitle(const std::string& title) = 0;
    // Shows behind the content view wherever the content paints nothing.
    virtual void setBackgroundColor(Color color) = 0;
    virtual void setMinSize(Size size) = 0;
    // The view, made by the same platform, fills the window's content area and follows its size.
    virtual void setContentView(WebView& view) = 0;
    // Gives the window the frame the store kept from an earlier run, and hands the store the
    // window's frame when it closes and when it goes. The store must outlive the window.
    virtual void setFrameStore(WindowFrameStore& store) = 0;
    // Before the window first shows: the size it will show with, menu bar and title bar
    // included: the kept frame's, or else the configuration's content size with what stands
    // above the content, measured as it will show.
    virtual Size frameSize() = 0;
    // Before the window first shows: the size to show with, menu bar and title bar included.
    virtual void setFrameSize(Size size) = 0;
    // The size of the screen's area that the window shows on, or will first show on: the
    // monitor without the desktop's panels, where the platform knows them, in the units of the
    // window's sizes. nullopt where the platform knows no screen.
    virtual std::optional<Size> screenArea() = 0;
    virtual void makeKeyAndOrderFront() = 0;

    virtual void miniaturize() = 0;
    virtual void toggleMaximized() = 0; // between the user's size and the largest
    virtual void toggleFullScreen() = 0;

    virtual void beginAlertSheet(const Alert& alert, AlertCompletion completion) = 0;
    virtual void beginOpenPanelSheet(const OpenPanel& panel, OpenPanelCompletion completion) = 0;
    virtual void beginSavePanelSheet(const SavePanel& panel, SavePanelCompletion completion) = 0;
    // Takes the shown sheet and every waiting one away, each answered as cancelled, in the
    // order they were asked for; sheets asked for afterwards are shown as usual.
    virtual void endSheets() = 0;
};

} // namespace vorl
