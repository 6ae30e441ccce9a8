#pragma once

#include "sheets.h"
#include "values.h"

#include <string>

namespace vorl {

class WebView;

enum class Appearance { dark };

// The application's main window. Sheets are modal for this window only: the rest of the
// application, its menu included, goes on working while one is shown. The window shows one
// sheet at a time: alerts and panels alike wait, in the order they were asked for, until the
// sheets before them have ended. Closing the window answers the shown and the waiting ones
// as cancelled.
class Window {
public:
    virtual ~Window() = default;

    virtual void setTitle(const std::string& title) = 0;
    // The window looks the same whatever the desktop's own theme is.
    virtual void setAppearance(Appearance appearance) = 0;
    // Shows behind the content view wherever the content paints nothing.
    virtual void setBackgroundColor(Color color) = 0;
    virtual void setMinSize(Size size) = 0;
    // The view fills the window's content area and follows its size.
    virtual void setContentView(WebView& view) = 0;
    // Restores the frame saved under name in an earlier run, and saves it from now on.
    virtual void setFrameAutosaveName(const std::string& name) = 0;
    virtual void makeKeyAndOrderFront() = 0;

    virtual void miniaturize() = 0;
    virtual void zoom() = 0; // toggles between the user's size and the largest
    virtual void toggleFullScreen() = 0;

    virtual void beginAlertSheet(const Alert& alert, AlertCompletion completion) = 0;
    virtual void beginOpenPanelSheet(const OpenPanel& panel, OpenPanelCompletion completion) = 0;
    virtual void beginSavePanelSheet(const SavePanel& panel, SavePanelCompletion completion) = 0;
};

} // namespace vorl
