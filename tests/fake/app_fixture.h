#pragma once

#include "app/app_delegate.h"
#include "base/places.h"
#include "base/product.h"
#include "fake_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace vorl::fake {

// A fresh folder whose path has spaces and non-ASCII letters, removed with everything in it.
class TemporaryHome {
public:
    TemporaryHome();
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;
    ~TemporaryHome();
    const std::filesystem::path& path() const { return folder; }

private:
    std::filesystem::path folder;
};

void writeFile(const std::filesystem::path& path, const std::string& contents);
std::string readFile(const std::filesystem::path& path);

// Lays out an engine installation where places say: an executable interpreter and the engine
// script.
void installEngine(const Places& places);

// The application on the fake platform, launched in a temporary home, with its places below
// that home. The engine is neither installed nor answering until the test says so.
class AppFixture : public ::testing::Test {
protected:
    AppFixture();
    ~AppFixture() override;

    // Lays out an engine installation: an executable interpreter and the engine script.
    void installEngine();
    // Runs applicationDidFinishLaunching, as the event loop does once it starts.
    void launch();
    // Answers the oldest open status probe and runs what it leads to.
    void answerProbe(bool healthy);
    // The user's menu command, as the menu bar hands it on.
    void menu(MenuAction action);
    // The engine looked for again, as after a failed load of its page: the splash, then a probe.
    void reconnect();
    // The last engine the application launched.
    FakeProcessState& launchedEngine();
    std::vector<std::string> alertTexts() const;

    TemporaryHome home;
    FakePlatform platform{home.path()};
    const Places places = placesBelow(home.path());
    std::unique_ptr<AppDelegate> app;
    FakeWebView& web() { return *platform.webView; }
    FakeWindow& window() { return *platform.window; }
    VirtualTime& time() { return platform.time; }
};

} // namespace vorl::fake
