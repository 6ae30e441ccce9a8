// The engine after its page has loaded, on virtual time: a stop is replaced, a third within
// five minutes ends in the built-in page with the reason, the restart command, and recoveries
// that overlap.

#include "engine/engine_decisions.h"
#include "fake/app_fixture.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

using fake::AppFixture;

const std::string statusUrl = "http://127.0.0.1:8765/api/status";
const std::string enginePage = "http://127.0.0.1:8765/";
const std::string stoppedThrice =
    "Motoren stoppet tre ganger på under fem minutter. Appen bruker den innebygde motoren.";
const std::string stoppedAtStart =
    "Motoren stoppet under oppstart. Se ~/Library/Logs/VORL Vorudi – motor.log. "
    "Appen bruker den innebygde motoren.";

class EngineWatch : public AppFixture {
protected:
    // No engine answers at start: one is launched, and its page loads.
    void serveLaunchedEngine() {
        installEngine();
        launch();
        answerProbe(false);
        answerProbe(true);
        ASSERT_EQ(web().loads.back().target, enginePage);
    }
    // Launches the next engine and loads its page, after a stop or a restart.
    void serveNextEngine() {
        size_t launches = platform.launcher.launches.size();
        answerProbe(false);
        platform.portListener = PortListener::currentUser; // the new engine listens
        time().advance(listenerLookInterval);
        ASSERT_EQ(platform.launcher.launches.size(), launches + 1);
        answerProbe(true);
        ASSERT_EQ(web().loads.back().target, enginePage);
    }
    long enginePageLoads() const { return platform.log.count("web.loadRequest " + enginePage); }
    long statusRequests() const { return platform.log.count("session.GET " + statusUrl); }
    bool restartOffered() { return platform.app.actionsEnabled.at(MenuAction::restartEngine); }
    void stopEngine(ProcessEnding ending = {ProcessEnding::Reason::exit, 3}) {
        launchedEngine().end(ending);
        time().runUntilIdle();
    }
};

TEST_F(EngineWatch, AStoppedEngineIsReplacedThroughTheStartsOwnPathAfterThePagesRequestsAreAnswered) {
    ASSERT_NO_FATAL_FAILURE(serveLaunchedEngine());
    std::optional<bool> confirmed;
    web().dialogDelegate->runJavaScriptConfirmPanel("Lagre?", [&](bool answer) { confirmed = answer; });
    size_t before = platform.log.events().size();
    stopEngine();

    EXPECT_EQ(confirmed, false) << "answered as cancelled";
    std::vector<std::string> events = platform.log.events();
    events.erase(events.begin(), events.begin() + static_cast<long>(before));
    EXPECT_EQ(events, (std::vector<std::string>{"window.endSheets", "web.loadHTMLString",
                                                "session.GET " + statusUrl}));
    EXPECT_EQ(web().loads.back().target, SPLASH);
    EXPECT_EQ(platform.session.pendingCount(), 1u) << "the start's own probe, at once";
    EXPECT_TRUE(platform.launcher.launches[0].process->released)
        << "its guard ends what is left of its group";
    ASSERT_NO_FATAL_FAILURE(serveNextEngine());
    EXPECT_EQ(window().alerts().size(), 1u) << "the page's own, and no warning";
}

TEST_F(EngineWatch, TheSecondStopWithinFiveMinutesWaitsTwoSecondsAndTheThirdGivesUpWithItsReasons) {
    ASSERT_NO_FATAL_FAILURE(serveLaunchedEngine());
    stopEngine();
    ASSERT_NO_FATAL_FAILURE(serveNextEngine());
    time().advance(120);
    stopEngine();
    EXPECT_EQ(web().loads.back().target, SPLASH);
    time().advance(1.99);
    EXPECT_EQ(platform.session.pendingCount(), 0u) << "a pause before the second relaunch";
    time().advance(0.01);
    ASSERT_NO_FATAL_FAILURE(serveNextEngine());
    fake::writeFile(places.LOGFILE,
                    "=== start 2026-03-04 05:06:07 +0000 (app) ===\nstarter\n"
                    "=== start 2026-03-04 05:08:07 +0000 (app) ===\nTraceback\nMemoryError\n");
    fake::writeFile(places.ENG / "Auto-Vorudi.html", "<p>innebygd</p>");
    time().advance(170);
    stopEngine({ProcessEnding::Reason::uncaughtSignal, 9});

    ASSERT_EQ(window().alerts().size(), 1u);
    const Alert warning = window().alerts()[0];
    EXPECT_EQ(warning.informativeText, stoppedThrice);
    EXPECT_EQ(warning.note, "Stoppet av signal 9.");
    EXPECT_EQ(warning.excerpt, "Traceback\nMemoryError");
    EXPECT_EQ(warning.buttons, (std::vector<std::string>{"OK", "Vis motorloggen"}));
    EXPECT_EQ(web().loads.back().target, Url::fileUrl(places.ENG / "Auto-Vorudi.html").string());
    window().finishAlert(1);
    EXPECT_EQ(platform.desktop.opened.back(), Url::fileUrl(places.LOGFILE)) << "as the menu command opens it";

    menu(MenuAction::restartEngine); // giving up started the count anew
    time().runUntilIdle();
    ASSERT_NO_FATAL_FAILURE(serveNextEngine());
    stopEngine();
    EXPECT_EQ(platform.session.pendingCount(), 1u) << "a first stop again: relaunched at once";
}

TEST_F(EngineWatch, StopsFurtherApartThanFiveMinutesNeverAddUp) {
    ASSERT_NO_FATAL_FAILURE(serveLaunchedEngine());
    for (int stop = 0; stop < 4; ++stop) {
        time().advance(301);
        stopEngine();
        EXPECT_EQ(platform.session.pendingCount(), 1u) << "stop " << stop;
        ASSERT_NO_FATAL_FAILURE(serveNextEngine());
    }
    EXPECT_TRUE(window().alerts().empty());
}

TEST_F(EngineWatch, TheUsersOwnEngineIsMissedWithinTwoSecondsOfItsPortClosingAndIsNeverAskedMeanwhile) {
    installEngine();
    launch();
    answerProbe(true); // adopted: nothing launched
    long requests = statusRequests();
    time().advance(600);
    EXPECT_EQ(statusRequests(), requests) << "an idle page costs the engine nothing";
    platform.portListener = PortListener::none;
    time().advance(1.0);
    EXPECT_EQ(web().loads.back().target, SPLASH);
    EXPECT_EQ(platform.session.pendingCount(), 1u);
    ASSERT_NO_FATAL_FAILURE(serveNextEngine());
}

TEST_F(EngineWatch, RestartStopsTheLaunchedEngineAsAtQuitWaitsForItsPortAndStartsAnother) {
    ASSERT_NO_FATAL_FAILURE(serveLaunchedEngine());
    EXPECT_TRUE(restartOffered());
    menu(MenuAction::restartEngine);
    EXPECT_FALSE(restartOffered());
    EXPECT_EQ(web().loads.back().target, SPLASH);
    ASSERT_EQ(platform.session.requests().back().url.string(), "http://127.0.0.1:8765/api/quit");
    EXPECT_EQ(platform.session.requests().back().method, "POST");
    EXPECT_DOUBLE_EQ(platform.session.requests().back().timeoutInterval, 1.5);
    time().advance(1.5);
    EXPECT_EQ(launchedEngine().terminateCalls, 0) << "not before the quit request has had its answer";
    platform.session.answerNext(std::nullopt); // an engine that does not answer: the request times out
    time().runUntilIdle();
    EXPECT_EQ(launchedEngine().terminateCalls, 1);
    EXPECT_TRUE(launchedEngine().released) << "its guard gives it the grace period";
    time().advance(5);
    EXPECT_EQ(statusRequests(), 2) << "no engine is looked for while its port is taken";
    platform.portListener = PortListener::none;
    time().advance(0.1);
    ASSERT_NO_FATAL_FAILURE(serveNextEngine());
    EXPECT_TRUE(restartOffered());
    stopEngine();
    EXPECT_EQ(platform.session.pendingCount(), 1u) << "the restart's stop did not count: relaunched at once";
}

TEST_F(EngineWatch, RestartOnlyAsksTheUsersOwnEngineToQuitAndGivesUpWaitingForItsPortAfterTwelveSeconds) {
    installEngine();
    launch();
    answerProbe(true);
    menu(MenuAction::restartEngine);
    platform.session.answerNext("{}");
    time().runUntilIdle();
    EXPECT_TRUE(platform.launcher.launches.empty());
    time().advance(11.9);
    EXPECT_EQ(platform.session.pendingCount(), 0u);
    time().advance(0.2);
    EXPECT_EQ(platform.session.pendingCount(), 1u) << "then connects whatever holds the port";
}

TEST_F(EngineWatch, RestartIsOfferedOutsideAStartOrRestartOnly) {
    launch();
    EXPECT_FALSE(restartOffered()) << "while starting";
    answerProbe(false); // not installed: the built-in page
    EXPECT_TRUE(restartOffered());
    menu(MenuAction::restartEngine); // nothing runs to be stopped: the engine is looked for at once
    EXPECT_FALSE(restartOffered());
    answerProbe(false);
    EXPECT_TRUE(restartOffered());
}

TEST_F(EngineWatch, AStartUpWarningShowsTheEndingAndTheLogTailOrStandsAloneWithoutALog) {
    installEngine();
    launch();
    answerProbe(false);
    fake::writeFile(places.LOGFILE, "=== start 2026-03-04 05:06:07 +0000 (app) ===\nImportError: numpy\n");
    stopEngine();
    answerProbe(false);
    ASSERT_EQ(window().alerts().size(), 1u);
    EXPECT_EQ(window().alerts()[0].informativeText, stoppedAtStart);
    EXPECT_EQ(window().alerts()[0].note, "Avsluttet med kode 3.");
    EXPECT_EQ(window().alerts()[0].excerpt, "ImportError: numpy");
    EXPECT_EQ(window().alerts()[0].buttons.size(), 2u);

    std::filesystem::remove(places.LOGFILE);
    menu(MenuAction::restartEngine);
    time().runUntilIdle();
    answerProbe(false);
    stopEngine();
    answerProbe(false);
    ASSERT_EQ(window().alerts().size(), 2u);
    EXPECT_EQ(window().alerts()[1].excerpt, "");
    EXPECT_EQ(window().alerts()[1].buttons, std::vector<std::string>{"OK"});
}

enum class Recovery { engineStop, contentProcessDeath, failedLoad, reload };

// Each pair of recoveries, the second begun while the first is under way, starting from the
// launched engine's page: one engine is launched at most, a superseded probe's answer is
// dropped, and the page comes back without a warning.
class OverlappingRecoveries : public EngineWatch,
                              public ::testing::WithParamInterface<std::pair<Recovery, Recovery>> {
protected:
    void begin(Recovery recovery) {
        switch (recovery) {
        case Recovery::engineStop:
            launchedEngine().end({ProcessEnding::Reason::exit, 1});
            break;
        case Recovery::contentProcessDeath:
            web().contentProcessDelegate->webContentProcessDidTerminate(
                WebContentProcessTermination::crashed);
            break;
        case Recovery::failedLoad:
            web().currentUrl = *Url::parse(enginePage);
            web().navigationDelegate->didFailProvisionalNavigation(NavigationFailure::cannotConnectToHost);
            break;
        case Recovery::reload:
            menu(MenuAction::reloadPage);
            break;
        }
        time().runUntilIdle();
    }
};

TEST_P(OverlappingRecoveries, LaunchOneEngineAtMostAndDropWhatTheyReplaced) {
    auto [first, second] = GetParam();
    ASSERT_NO_FATAL_FAILURE(serveLaunchedEngine());
    begin(first);
    begin(second);
    long pageLoads = enginePageLoads();
    ASSERT_EQ(platform.session.pendingCount(), 2u);
    answerProbe(true); // the first recovery's probe: superseded
    EXPECT_EQ(enginePageLoads(), pageLoads);
    answerProbe(false);
    bool stopped = first == Recovery::engineStop || second == Recovery::engineStop;
    EXPECT_EQ(platform.launcher.launches.size(), stopped ? 2u : 1u);
    answerProbe(true);
    EXPECT_EQ(enginePageLoads(), pageLoads + 1);
    EXPECT_EQ(platform.session.pendingCount(), 0u);
    EXPECT_TRUE(window().alerts().empty());
}

INSTANTIATE_TEST_SUITE_P(EachPair, OverlappingRecoveries,
                         ::testing::Values(std::pair{Recovery::engineStop, Recovery::contentProcessDeath},
                                           std::pair{Recovery::engineStop, Recovery::failedLoad},
                                           std::pair{Recovery::engineStop, Recovery::reload},
                                           std::pair{Recovery::contentProcessDeath, Recovery::failedLoad},
                                           std::pair{Recovery::contentProcessDeath, Recovery::reload},
                                           std::pair{Recovery::failedLoad, Recovery::reload},
                                           std::pair{Recovery::failedLoad, Recovery::contentProcessDeath}));

TEST_F(EngineWatch, APageProcessDeathDuringStartUpLaunchesNoSecondEngine) {
    installEngine();
    launch();
    answerProbe(false); // the engine is launched and polled
    web().contentProcessDelegate->webContentProcessDidTerminate(WebContentProcessTermination::crashed);
    time().runUntilIdle();
    answerProbe(false); // the poll's probe, superseded
    answerProbe(false); // the recovery's own: the engine starting is waited for
    EXPECT_EQ(platform.launcher.launches.size(), 1u);
    time().advance(0.3);
    answerProbe(true);
    EXPECT_EQ(web().loads.back().target, enginePage);
    EXPECT_TRUE(window().alerts().empty());
}

TEST_F(EngineWatch, AStopDuringARestartIsTheRestartsOwn) {
    ASSERT_NO_FATAL_FAILURE(serveLaunchedEngine());
    menu(MenuAction::restartEngine);
    stopEngine(); // it quits as asked
    platform.portListener = PortListener::none;
    platform.session.answerNext("{}");
    time().runUntilIdle();
    ASSERT_NO_FATAL_FAILURE(serveNextEngine());
    stopEngine();
    EXPECT_EQ(platform.session.pendingCount(), 1u) << "a first stop: relaunched at once";
}

} // namespace
} // namespace vorl
