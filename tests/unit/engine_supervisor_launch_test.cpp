// A launch waits for its guard, so other events come while it is under way; an engine's ending
// may come after the supervisor let go of it; and every fallback lets go of the engines.

#include "engine/engine_decisions.h"
#include "supervisor_fixture.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

class LaunchUnderWay : public Supervisor {
protected:
    // The first probe finds nothing; the engine's launch is asked for and not yet done.
    void launchAsked() {
        fake::installEngine(places);
        platform.launcher.holdLaunches = true;
        starting();
        answerProbe(false);
        ASSERT_EQ(platform.launcher.launches.size(), 1u);
    }
    void launchCompletes() {
        platform.launcher.completeHeldLaunches();
        time().runUntilIdle();
    }
};

TEST_F(LaunchUnderWay, AReconnectDuringItIsTheOneThatWaitsForTheEngine) {
    ASSERT_NO_FATAL_FAILURE(launchAsked());
    supervisor.connect(); // the user reloads the splash
    answerProbe(false);
    EXPECT_EQ(platform.launcher.launches.size(), 1u) << "no second launch beside the first";
    launchCompletes();
    answerProbe(true);
    EXPECT_EQ(supervisor.state(), EngineState::servingLaunched) << "else the splash stays up for good";
    EXPECT_EQ(shown.told.back(), "restart on");
}

TEST_F(LaunchUnderWay, OneThatCompletesAfterItsStartGaveWayIsEndedAtOnce) {
    ASSERT_NO_FATAL_FAILURE(launchAsked());
    supervisor.fallback({FallbackReason::pageCrashedThrice});
    size_t requests = platform.session.requests().size();
    launchCompletes();
    EXPECT_TRUE(launchedEngine().released) << "its guard ends its group";
    EXPECT_EQ(platform.session.requests().size(), requests) << "nobody waits for it";
    EXPECT_EQ(supervisor.state(), EngineState::idle);
}

TEST_F(Supervisor, AnEndingThatComesAfterItsEngineWasLetGoIsNotHeard) {
    ASSERT_NO_FATAL_FAILURE(servingLaunched());
    fake::FakeProcessState& first = launchedEngine();
    supervisor.restartEngine();
    platform.session.answerNext("{}"); // the quit request: the engine is let go
    platform.portListener = PortListener::none;
    time().runUntilIdle();
    ASSERT_TRUE(first.released);
    answerProbe(false); // the restart launches a new one, which then listens and answers
    platform.portListener = PortListener::currentUser;
    time().advance(listenerLookInterval);
    answerProbe(true);
    ASSERT_EQ(supervisor.state(), EngineState::servingLaunched);
    shown.told.clear();
    // A platform that delivers the first engine's ending late.
    first.terminationHandler({ProcessEnding::Reason::uncaughtSignal, 15});
    EXPECT_EQ(supervisor.state(), EngineState::servingLaunched) << "the new engine is still served";
    EXPECT_TRUE(shown.told.empty());
}

TEST_F(Supervisor, EveryFallbackLetsGoOfTheEnginesLaunchedHere) {
    ASSERT_NO_FATAL_FAILURE(servingLaunched());
    supervisor.fallback({FallbackReason::pageCrashedThrice});
    EXPECT_TRUE(launchedEngine().released) << "nothing runs behind the built-in page";

    struct Silent : Supervisor {
        void TestBody() override {}
    } silent;
    ASSERT_NO_FATAL_FAILURE(silent.waitingForLaunchedEngine());
    while (silent.supervisor.state() == EngineState::starting) {
        silent.answerProbe(false);
        silent.time().advance(pollPause);
    }
    EXPECT_TRUE(silent.launchedEngine().released) << "a silent engine is ended with its helpers";
}

} // namespace
} // namespace vorl
