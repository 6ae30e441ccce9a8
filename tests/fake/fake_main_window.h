#pragma once

#include "base/main_window.h"
#include "fake_platform.h"

namespace vorl::fake {

// The main window and its web view on fakes of their own, opened, for the tests of one object
// at a time.
struct FakeMainWindow {
    FakeMainWindow() {
        auto view = std::make_unique<FakeWebView>(log, WebViewConfiguration{});
        auto shown = std::make_unique<FakeWindow>(log);
        web = view.get();
        window = shown.get();
        mainWindow.open(std::move(view), std::move(shown));
    }

    EventLog log;
    FakeWebView* web = nullptr;
    FakeWindow* window = nullptr;
    MainWindow mainWindow;
};

} // namespace vorl::fake
