// Where navigations go, and recovery when the engine's page fails to load, on the fake platform.

#include "base/product.h"
#include "fake/app_fixture.h"
#include "fake/fake_main_window.h"
#include "fake/recording_engine_control.h"
#include "webhost/downloads.h"
#include "webhost/navigation.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

class Routing : public ::testing::Test {
protected:
    NavigationActionPolicy decide(const char* url) {
        std::vector<NavigationActionPolicy> decisions;
        navigation.decidePolicyForNavigationAction(
            NavigationAction{false, Url::parse(url)},
            [&](NavigationActionPolicy policy) { decisions.push_back(policy); });
        EXPECT_EQ(decisions.size(), 1u) << "decided exactly once, before returning";
        return decisions.at(0);
    }

    fake::TemporaryHome home;
    fake::FakePlatform platform{home.path()};
    fake::FakeMainWindow shown;
    Downloads downloads{shown.mainWindow, home.path()};
    fake::RecordingEngineControl engine;
    Navigation navigation{shown.mainWindow, platform.desktop, downloads, engine};
};

TEST_F(Routing, OutsideLinksGoToTheBrowserFirstAndAreThenCancelled) {
    EXPECT_EQ(decide("https://example.org/hjelp"), NavigationActionPolicy::cancel);
    ASSERT_EQ(platform.desktop.opened.size(), 1u);
    EXPECT_EQ(platform.desktop.opened[0].string(), "https://example.org/hjelp");
    EXPECT_EQ(decide("http://127.0.0.1:8765/other"), NavigationActionPolicy::allow);
    EXPECT_EQ(decide("mailto:post@example.org"), NavigationActionPolicy::allow);
    EXPECT_EQ(platform.desktop.opened.size(), 1u);
}

TEST_F(Routing, NewWindowsOpenInTheBrowserWhateverTheAddressAndNeverInTheApp) {
    navigation.createWebView(NavigationAction{false, Url::parse("http://127.0.0.1:8765/")});
    navigation.createWebView(NavigationAction{false, std::nullopt});
    ASSERT_EQ(platform.desktop.opened.size(), 1u);
    EXPECT_EQ(platform.desktop.opened[0].string(), "http://127.0.0.1:8765/");
    EXPECT_EQ(platform.log.count("platform.createWebView"), 0);
}

TEST_F(Routing, EveryDownloadGetsTheDownloadsAsItsDelegate) {
    fake::FakeDownload download;
    navigation.navigationDidBecomeDownload(download);
    EXPECT_EQ(download.delegate, &downloads);
}

// Across objects: a failed page brings the engine back.
class Navigation : public fake::AppFixture {
protected:
    Navigation() { launch(); }
    NavigationDelegate& navigation() { return *web().navigationDelegate; }
};

TEST_F(Navigation, AFailureOnTheEnginesPageBringsTheSplashBackThenProbes) {
    answerProbe(true);
    size_t loads = web().loads.size();
    navigation().didFailProvisionalNavigation(NavigationFailure::other);
    ASSERT_EQ(web().loads.size(), loads + 1);
    EXPECT_EQ(web().loads.back().target, SPLASH);
    EXPECT_EQ(platform.session.pendingCount(), 1u);
    auto events = platform.log.events();
    EXPECT_TRUE(events[events.size() - 2].starts_with("web.loadHTMLString"));
    EXPECT_TRUE(events.back().starts_with("session.GET"));

    installEngine();
    answerProbe(false);
    EXPECT_EQ(platform.launcher.launches.size(), 1u) << "no engine answered: a fresh one is launched";
}

TEST_F(Navigation, ADownloadOrAnInterruptedLoadLeavesTheEnginesPageAlone) {
    answerProbe(true);
    size_t loads = web().loads.size();
    navigation().didFailProvisionalNavigation(NavigationFailure::interrupted);
    EXPECT_EQ(web().loads.size(), loads);
    EXPECT_EQ(platform.session.pendingCount(), 0u);
}

TEST_F(Navigation, TwoFailuresInQuickSuccessionStartTwoRecoveries) {
    answerProbe(true);
    navigation().didFailProvisionalNavigation(NavigationFailure::cannotConnectToHost);
    navigation().didFailProvisionalNavigation(NavigationFailure::cannotConnectToHost);
    EXPECT_EQ(platform.log.count("web.loadHTMLString"), 3);
    EXPECT_EQ(platform.session.pendingCount(), 2u);
}

TEST_F(Navigation, ADeadPageProcessBringsThePageBackUntilItDiesThreeTimesWithinAMinute) {
    fake::writeFile(places.ENG / "Auto-Vorudi.html", "innebygd");
    answerProbe(true);
    struct Death {
        Seconds at;
        WebContentProcessTermination reason;
        bool givesUp;
    };
    using enum WebContentProcessTermination;
    const Death deaths[] = {
        {0, crashed, false},
        {30, crashed, false},
        {61, crashed, false}, // the first has left the minute
        {62, exceededMemoryLimit, true},
        {63, crashed, false}, // giving up starts the count anew
    };
    Seconds now = 0;
    for (const Death& death : deaths) {
        time().advance(death.at - now);
        now = death.at;
        size_t splashes = platform.log.count("web.loadHTMLString");
        size_t probes = platform.session.pendingCount();
        web().contentProcessDelegate->webContentProcessDidTerminate(death.reason);
        EXPECT_EQ(platform.log.count("web.loadHTMLString"), splashes + (death.givesUp ? 0 : 1)) << death.at;
        EXPECT_EQ(platform.session.pendingCount(), probes + (death.givesUp ? 0 : 1)) << death.at;
    }
    EXPECT_EQ(alertTexts(),
              std::vector<std::string>{"Siden i vinduet brukte for mye minne og ble stoppet tre "
                                       "ganger på under ett minutt. Appen bruker den innebygde "
                                       "motoren."});
    EXPECT_EQ(web().loads.back().target, SPLASH);
    EXPECT_EQ(platform.log.count("web.loadFileURL"), 1) << "the built-in page, once";
}

} // namespace
} // namespace vorl
