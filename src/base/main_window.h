#pragma once

#include "platform/web_view.h"
#include "platform/window.h"

#include <cassert>
#include <memory>

namespace vorl {

// The one window and the web view it shows. Both are made once the application has launched and
// kept until it ends; the objects of every subsystem show what they have to show in them, and
// none of them acts on either before the application has launched.
class MainWindow {
public:
    void open(std::unique_ptr<WebView> view, std::unique_ptr<Window> shown) {
        ownView = std::move(view);
        ownWindow = std::move(shown);
    }
    bool isOpen() const { return ownWindow != nullptr; }
    Window& window() const {
        assert(ownWindow && "the window exists once the application has launched");
        return *ownWindow;
    }
    WebView& web() const {
        assert(ownView && "the web view exists once the application has launched");
        return *ownView;
    }

private:
    // The window goes before the view it shows.
    std::unique_ptr<WebView> ownView;
    std::unique_ptr<Window> ownWindow;
};

} // namespace vorl
