// Where navigations go, and recovery when the engine's page fails to load, on the fake platform.

#include "fake/app_fixture.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

class Navigation : public fake::AppFixture {
protected:
    Navigation() { launch(); }
    NavigationActionPolicy decide(const char* url) {
        std::vector<NavigationActionPolicy> decisions;
        app->decidePolicyForNavigationAction(
            NavigationAction{false, Url::parse(url)},
            [&](NavigationActionPolicy policy) { decisions.push_back(policy); });
        EXPECT_EQ(decisions.size(), 1u) << "decided exactly once, before returning";
        return decisions.at(0);
    }
};

TEST_F(Navigation, OutsideLinksGoToTheBrowserFirstAndAreThenCancelled) {
    EXPECT_EQ(decide("https://example.org/hjelp"), NavigationActionPolicy::cancel);
    ASSERT_EQ(platform.desktop.opened.size(), 1u);
    EXPECT_EQ(platform.desktop.opened[0].string(), "https://example.org/hjelp");
    EXPECT_EQ(decide("http://127.0.0.1:8765/other"), NavigationActionPolicy::allow);
    EXPECT_EQ(decide("mailto:post@example.org"), NavigationActionPolicy::allow);
    EXPECT_EQ(platform.desktop.opened.size(), 1u);
}

TEST_F(Navigation, NewWindowsOpenInTheBrowserWhateverTheAddressAndNeverInTheApp) {
    app->createWebView(NavigationAction{false, Url::parse("http://127.0.0.1:8765/")});
    app->createWebView(NavigationAction{false, std::nullopt});
    ASSERT_EQ(platform.desktop.opened.size(), 1u);
    EXPECT_EQ(platform.desktop.opened[0].string(), "http://127.0.0.1:8765/");
    EXPECT_EQ(platform.log.count("platform.createWebView"), 1);
}

TEST_F(Navigation, EveryDownloadGetsTheAppAsItsDelegate) {
    fake::FakeDownload download;
    app->navigationDidBecomeDownload(download);
    EXPECT_EQ(download.delegate, app.get());
}

TEST_F(Navigation, AFailureOnTheEnginesPageBringsTheSplashBackThenProbes) {
    answerProbe(true);
    size_t loads = web().loads.size();
    app->didFailProvisionalNavigation(NavigationFailure::other);
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
    app->didFailProvisionalNavigation(NavigationFailure::interrupted);
    EXPECT_EQ(web().loads.size(), loads);
    EXPECT_EQ(platform.session.pendingCount(), 0u);
}

TEST_F(Navigation, TwoFailuresInQuickSuccessionStartTwoRecoveries) {
    answerProbe(true);
    app->didFailProvisionalNavigation(NavigationFailure::cannotConnectToHost);
    app->didFailProvisionalNavigation(NavigationFailure::cannotConnectToHost);
    EXPECT_EQ(platform.log.count("web.loadHTMLString"), 3);
    EXPECT_EQ(platform.session.pendingCount(), 2u);
}

TEST_F(Navigation, ADeadPageProcessBringsThePageBackUntilItDiesThreeTimesWithinAMinute) {
    fake::writeFile(ENG / "Auto-Vorudi.html", "innebygd");
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
        app->webContentProcessDidTerminate(death.reason);
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
