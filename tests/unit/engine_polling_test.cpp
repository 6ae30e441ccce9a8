// The engine's start seen from the application: the poll of a launched engine, and the end.

#include "engine/engine_decisions.h"
#include "fake/app_fixture.h"

#include "engine_warnings.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vorl {
namespace {

using fake::AppFixture;

using testing::silent;
using testing::stopped;

class Polling : public AppFixture {
protected:
    // Launches the engine: the start-up probe fails and the poll's first probe is open.
    void launchEngine() {
        installEngine();
        launch();
        answerProbe(false);
        ASSERT_EQ(platform.launcher.launches.size(), 1u);
    }
    // Fails the open probe; the next one opens 0.3 s later.
    void failProbeAndWait() {
        answerProbe(false);
        time().advance(0.3);
    }
};

TEST_F(Polling, ProbesAgainThreeTenthsOfASecondAfterEachFailure) {
    ASSERT_NO_FATAL_FAILURE(launchEngine());
    answerProbe(false);
    EXPECT_EQ(platform.session.pendingCount(), 0u);
    time().advance(0.29);
    EXPECT_EQ(platform.session.pendingCount(), 0u);
    time().advance(0.01);
    EXPECT_EQ(platform.session.pendingCount(), 1u);
    EXPECT_TRUE(window().alerts().empty());
}

TEST_F(Polling, TheFirstProbeGoesOutAsTheEnginesPortOpensThenEveryThreeTenths) {
    installEngine();
    launch();
    platform.portListener = PortListener::none;
    answerProbe(false); // launched; nothing listens yet
    time().advance(0.05);
    EXPECT_EQ(platform.session.pendingCount(), 0u) << "an engine not listening gets no request";
    platform.portListener = PortListener::currentUser;
    time().advance(listenerLookInterval);
    EXPECT_EQ(platform.session.pendingCount(), 1u) << "within a look of its port opening";
    answerProbe(false); // listening, not healthy yet
    time().advance(0.29);
    EXPECT_EQ(platform.session.pendingCount(), 0u);
    time().advance(0.01);
    EXPECT_EQ(platform.session.pendingCount(), 1u);
}

TEST_F(Polling, AnEngineThatNeverListensGetsNoRequestAndIsReportedSilentAfter45Seconds) {
    installEngine();
    launch();
    platform.portListener = PortListener::none;
    answerProbe(false);
    time().advance(45);
    EXPECT_TRUE(window().alerts().empty());
    time().advance(0.02);
    EXPECT_EQ(alertTexts(), std::vector<std::string>{silent});
    EXPECT_EQ(platform.session.requests().size(), 1u) << "the start's own probe only";
}

TEST_F(Polling, AnEngineThatEndsBeforeListeningIsReportedAtOnce) {
    installEngine();
    launch();
    platform.portListener = PortListener::none;
    answerProbe(false);
    launchedEngine().end({ProcessEnding::Reason::exit, 1});
    time().advance(listenerLookInterval);
    EXPECT_EQ(alertTexts(), std::vector<std::string>{stopped});
}

TEST_F(Polling, AnEngineAnsweringAt44SecondsGetsItsPageLoaded) {
    ASSERT_NO_FATAL_FAILURE(launchEngine());
    while (time().elapsed() < 44)
        failProbeAndWait();
    answerProbe(true);
    EXPECT_EQ(web().loads.back().target, "http://127.0.0.1:8765/");
    EXPECT_TRUE(window().alerts().empty());
    EXPECT_EQ(platform.session.pendingCount(), 0u) << "the poll has ended";
}

TEST_F(Polling, GivesUpAtTheFirstFailedProbeMoreThan45SecondsAfterTheLaunch) {
    ASSERT_NO_FATAL_FAILURE(launchEngine());
    while (time().elapsed() <= 45)
        failProbeAndWait();
    EXPECT_TRUE(window().alerts().empty());
    answerProbe(false);
    EXPECT_EQ(alertTexts(), std::vector<std::string>{silent});
    time().advance(5);
    EXPECT_EQ(platform.session.pendingCount(), 0u);
    EXPECT_TRUE(launchedEngine().running) << "a silent engine is left running";
}

TEST_F(Polling, AnEndedProcessIsReportedAsStoppedEvenAfterTheTimeLimit) {
    ASSERT_NO_FATAL_FAILURE(launchEngine());
    time().advance(50);
    launchedEngine().end();
    answerProbe(false);
    EXPECT_EQ(alertTexts(), std::vector<std::string>{stopped});
}

TEST_F(Polling, AHealthyAnswerWinsOverAnEndedProcessAndTheTimeLimit) {
    ASSERT_NO_FATAL_FAILURE(launchEngine());
    time().advance(50);
    launchedEngine().end();
    answerProbe(true);
    EXPECT_TRUE(window().alerts().empty());
    EXPECT_EQ(web().loads.back().target, "http://127.0.0.1:8765/");
}

TEST_F(Polling, TheBuiltInPageIsShownBehindTheWarningWhenItIsInstalled) {
    ASSERT_NO_FATAL_FAILURE(launchEngine());
    fake::writeFile(places.ENG / "Auto-Vorudi.html", "<p>innebygd</p>");
    launchedEngine().end();
    answerProbe(false);
    ASSERT_EQ(web().loads.back().kind, fake::FakeWebView::Load::file);
    EXPECT_EQ(web().loads.back().target, Url::fileUrl(places.ENG / "Auto-Vorudi.html").string());
    EXPECT_EQ(web().loads.back().readAccess, Url::fileUrl(places.ENG).string());
    EXPECT_LT(platform.log.indexOf("web.loadFileURL"), platform.log.indexOf("window.beginAlertSheet"));
}

TEST_F(Polling, AReconnectWhileWaitingPollsTheEngineStartingAndLaunchesNoSecond) {
    ASSERT_NO_FATAL_FAILURE(launchEngine());
    answerProbe(false);           // the poll waits
    menu(MenuAction::reloadPage); // on the splash: reconnects
    answerProbe(false);
    EXPECT_EQ(platform.launcher.launches.size(), 1u) << "a second engine could only find the port taken";
    EXPECT_EQ(platform.session.pendingCount(), 1u) << "the reconnect polls the engine starting";
    time().advance(0.3);
    EXPECT_EQ(platform.session.pendingCount(), 1u) << "the earlier poll's next probe was dropped";
    launchedEngine().end();
    answerProbe(false);
    EXPECT_EQ(alertTexts(), std::vector<std::string>{stopped});
}

class Shutdown : public AppFixture {
protected:
    // The engine answers the quit request from the session's background thread, exiting or not.
    void engineAnswersQuit(bool exits) {
        platform.session.responder = [this, exits](const UrlRequest& request) -> std::optional<std::string> {
            quitRequests.push_back(request);
            if (exits)
                for (auto& launched : platform.launcher.launches)
                    launched.process->running = false;
            return "{}";
        };
    }
    std::vector<UrlRequest> quitRequests;
};

TEST_F(Shutdown, AProbeAnsweredAfterTheApplicationHasGoneTouchesNothingOfIt) {
    launch();
    app.reset(); // the main loop has ended and the delegate gone; the session still runs
    platform.session.answerNext(R"({"status": "ok"})");
    EXPECT_EQ(time().pendingTasks(), 1u) << "the answer waits on the main queue, which never runs it";
}

TEST_F(Shutdown, AnEngineFoundRunningAtStartIsLeftAlone) {
    launch();
    answerProbe(true);
    engineAnswersQuit(true);
    app->applicationWillTerminate();
    EXPECT_TRUE(quitRequests.empty());
}

TEST_F(Shutdown, ALaunchedEngineThatDiedGetsNoRequestButWhatItLeftInItsGroupIsEnded) {
    installEngine();
    launch();
    answerProbe(false);
    launchedEngine().running = false;
    engineAnswersQuit(true);
    app->applicationWillTerminate();
    EXPECT_TRUE(quitRequests.empty());
    EXPECT_EQ(launchedEngine().terminateCalls, 1);
}

TEST_F(Shutdown, ARunningEngineIsAskedToQuitThenItsGroupIsEndedEvenIfItExited) {
    installEngine();
    launch();
    answerProbe(false);
    engineAnswersQuit(true);
    app->applicationWillTerminate();
    ASSERT_EQ(quitRequests.size(), 1u);
    EXPECT_EQ(quitRequests[0].method, "POST");
    EXPECT_EQ(quitRequests[0].url.string(), "http://127.0.0.1:8765/api/quit");
    EXPECT_DOUBLE_EQ(quitRequests[0].timeoutInterval, 1.5);
    EXPECT_EQ(launchedEngine().terminateCalls, 1) << "its helpers may outlive it";
}

} // namespace
} // namespace vorl
