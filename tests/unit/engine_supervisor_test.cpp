// The engine's supervisor on its own, on the fake platform: its transitions as a table, and
// what only the supervisor itself shows.

#include "engine/engine_decisions.h"
#include "engine/engine_stops.h"
#include "supervisor_fixture.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

std::string builtIn(FallbackReason reason) {
    return fake::RecordingSupervisorDelegate::builtInPage(reason);
}

TEST_F(Supervisor, EachStateAndEventLeadsToItsStateAndTellsTheDelegateWhatToShow) {
    using State = void (Supervisor::*)();
    using enum EngineState;
    struct Row {
        const char* name;
        State from;
        EngineState fromState;
        std::function<void(Supervisor&)> event;
        EngineState to;
        std::vector<std::string> told;
    };
    const auto unhealthy = [](Supervisor& s) { s.answerProbe(false); };
    const auto healthy = [](Supervisor& s) { s.answerProbe(true); };
    const auto engineEnds = [](Supervisor& s) {
        s.launchedEngine().end({ProcessEnding::Reason::exit, 1});
        s.time().runUntilIdle();
    };
    const auto restart = [](Supervisor& s) { s.supervisor.restartEngine(); };
    const auto connect = [](Supervisor& s) { s.supervisor.connect(); };
    const auto fallback = [](Supervisor& s) { s.supervisor.fallback({FallbackReason::pageCrashedThrice}); };
    const auto quit = [](Supervisor& s) {
        s.platform.session.responder = [](const UrlRequest&) { return std::optional<std::string>("{}"); };
        s.supervisor.stopEngines();
    };
    const std::vector<Row> rows = {
        {"first probe healthy",
         &Supervisor::starting,
         starting,
         healthy,
         servingAdopted,
         {"engine page", "restart on"}},
        {"first probe unhealthy, nothing installed",
         &Supervisor::starting,
         starting,
         unhealthy,
         idle,
         {"restart on", builtIn(FallbackReason::notInstalled)}},
        {"launched engine answers",
         &Supervisor::waitingForLaunchedEngine,
         starting,
         healthy,
         servingLaunched,
         {"engine page", "restart on"}},
        {"launched engine ends while starting",
         &Supervisor::waitingForLaunchedEngine,
         starting,
         [](Supervisor& s) {
             s.launchedEngine().end();
             s.answerProbe(false);
         },
         idle,
         {"restart on", builtIn(FallbackReason::stoppedWhileStarting)}},
        {"launched engine silent for 45 s",
         &Supervisor::waitingForLaunchedEngine,
         starting,
         [](Supervisor& s) {
             while (s.supervisor.state() == EngineState::starting) {
                 s.answerProbe(false);
                 s.time().advance(pollPause);
             }
         },
         idle,
         {"restart on", builtIn(FallbackReason::silent)}},
        {"restart while starting", &Supervisor::waitingForLaunchedEngine, starting, restart, starting, {}},
        {"launched engine stops in use",
         &Supervisor::servingLaunched,
         servingLaunched,
         engineEnds,
         starting,
         {"cancel", "splash", "restart off"}},
        {"adopted engine's port closes",
         &Supervisor::servingAdopted,
         servingAdopted,
         [](Supervisor& s) {
             s.platform.portListener = PortListener::none;
             s.time().advance(1.0);
         },
         starting,
         {"cancel", "splash", "restart off"}},
        {"restart of the launched engine",
         &Supervisor::servingLaunched,
         servingLaunched,
         restart,
         restarting,
         {"restart off", "cancel", "splash"}},
        {"restart of the adopted engine",
         &Supervisor::servingAdopted,
         servingAdopted,
         restart,
         restarting,
         {"restart off", "cancel", "splash"}},
        {"restart's quit answered, port free",
         &Supervisor::restarting,
         restarting,
         [](Supervisor& s) {
             s.platform.portListener = PortListener::none;
             s.platform.session.answerNext("{}");
             s.time().runUntilIdle();
         },
         starting,
         {"restart off"}},
        {"restart during a restart", &Supervisor::restarting, restarting, restart, restarting, {}},
        {"the launched engine quits as the restart asked",
         &Supervisor::restarting,
         restarting,
         engineEnds,
         restarting,
         {}},
        {"restart from the built-in page",
         &Supervisor::idle,
         idle,
         restart,
         starting,
         {"restart off", "cancel", "splash", "restart off"}},
        {"reconnect from a served page",
         &Supervisor::servingLaunched,
         servingLaunched,
         connect,
         starting,
         {"restart off"}},
        {"fallback while serving",
         &Supervisor::servingAdopted,
         servingAdopted,
         fallback,
         idle,
         {"restart on", builtIn(FallbackReason::pageCrashedThrice)}},
        {"fallback while restarting",
         &Supervisor::restarting,
         restarting,
         fallback,
         idle,
         {"restart on", builtIn(FallbackReason::pageCrashedThrice)}},
        {"the application ends", &Supervisor::servingLaunched, servingLaunched, quit, idle, {"restart on"}},
        {"a stop after the application's end",
         &Supervisor::servingLaunched,
         servingLaunched,
         [&](Supervisor& s) {
             quit(s);
             engineEnds(s);
         },
         idle,
         {"restart on"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Each row on a supervisor and platform of its own.
        struct Fresh : Supervisor {
            void TestBody() override {}
        } fixture;
        ASSERT_NO_FATAL_FAILURE((fixture.*row.from)());
        ASSERT_EQ(fixture.supervisor.state(), row.fromState);
        fixture.shown.told.clear();
        row.event(fixture);
        EXPECT_EQ(fixture.supervisor.state(), row.to);
        EXPECT_EQ(fixture.shown.told, row.told);
    }
}

TEST_F(Supervisor, APingsContinuationRunsOnTheMainQueueNeverInsidePing) {
    int calls = 0;
    bool result = false;
    supervisor.ping([&](bool healthy) {
        ++calls;
        result = healthy;
    });
    platform.session.answerNext(R"({"status":"ok"})");
    EXPECT_EQ(calls, 0);
    time().runUntilIdle();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(result);
}

TEST_F(Supervisor, AnAnswerOnAPortNobodyCanBeSeenOnIsNotTrustedOnceItsOwnEngineHasEnded) {
    fake::installEngine(places);
    platform.portListener = PortListener::none;
    starting();
    answerProbe(false); // launched, as the port is free
    platform.portListener = PortListener::unknown;
    time().advance(listenerLookInterval); // somebody listens; the system does not say who
    launchedEngine().end();
    time().runUntilIdle();
    answerProbe(true); // whoever answers, it is not the engine launched here
    EXPECT_EQ(supervisor.state(), EngineState::idle);
    ASSERT_EQ(shown.warnings.size(), 1u);
    EXPECT_EQ(shown.warnings[0].reason, FallbackReason::stoppedWhileStarting);
}

TEST_F(Supervisor, TheUsersOwnEngineStoppingThriceIsReportedWithoutTheLogOfAnEngineLaunchedHere) {
    servingAdopted();
    fake::writeFile(places.LOGFILE, "=== start 2026-03-04 05:06:07 +0000 (app) ===\nTraceback\n");
    for (int stop = 0; stop < 2; ++stop) {
        platform.portListener = PortListener::none;
        time().advance(1.0);
        platform.portListener = PortListener::currentUser; // the user starts it again
        time().advance(relaunchPause);
        answerProbe(true);
        ASSERT_EQ(supervisor.state(), EngineState::servingAdopted);
    }
    platform.portListener = PortListener::none;
    time().advance(1.0);
    ASSERT_EQ(shown.warnings.size(), 1u);
    EXPECT_EQ(shown.warnings[0].reason, FallbackReason::stoppedThrice);
    EXPECT_EQ(shown.warnings[0].logTail, std::nullopt) << "the user's own engine logs elsewhere";
}

TEST_F(Supervisor, EveryEngineThisRunStillHoldsIsStoppedAtTheEndNotOnlyTheLast) {
    ASSERT_NO_FATAL_FAILURE(waitingForLaunchedEngine());
    supervisor.startServer(); // beside the one starting, as nothing of the supervisor does by itself
    time().runUntilIdle();
    ASSERT_EQ(platform.launcher.launches.size(), 2u);
    std::vector<UrlRequest> quitRequests;
    platform.session.responder = [&](const UrlRequest& request) -> std::optional<std::string> {
        quitRequests.push_back(request);
        return "{}";
    };
    supervisor.stopEngines();
    EXPECT_EQ(quitRequests.size(), 1u);
    EXPECT_EQ(platform.launcher.launches[0].process->terminateCalls, 1);
    EXPECT_EQ(platform.launcher.launches[1].process->terminateCalls, 1);
}

} // namespace
} // namespace vorl
