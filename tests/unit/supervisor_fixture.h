#pragma once

// The engine's supervisor on the fake platform, with each of its states reached as the
// application reaches it.

#include "engine/engine_supervisor.h"
#include "fake/app_fixture.h"
#include "fake/recording_supervisor_delegate.h"

#include <gtest/gtest.h>

namespace vorl {

// Public, so that the table's events can act on fixtures of their own.
class Supervisor : public ::testing::Test {
public:
    void answerProbe(bool healthy) {
        platform.session.answerNext(healthy ? std::optional<std::string>(R"({"status": "ok"})")
                                            : std::nullopt);
        time().runUntilIdle();
    }
    fake::FakeProcessState& launchedEngine() { return *platform.launcher.launches.back().process; }
    fake::VirtualTime& time() { return platform.time; }

    // The states, each reached as the application reaches it.
    void starting() {
        supervisor.probeEarly();
        supervisor.splashRequested();
    }
    void waitingForLaunchedEngine() {
        fake::installEngine(places);
        starting();
        answerProbe(false);
        ASSERT_EQ(platform.launcher.launches.size(), 1u);
    }
    void servingLaunched() {
        ASSERT_NO_FATAL_FAILURE(waitingForLaunchedEngine());
        answerProbe(true);
    }
    void servingAdopted() {
        fake::installEngine(places);
        starting();
        answerProbe(true);
    }
    void restarting() {
        ASSERT_NO_FATAL_FAILURE(servingLaunched());
        supervisor.restartEngine();
    }
    void idle() {
        starting();
        answerProbe(false); // nothing installed
    }

    fake::TemporaryHome home;
    fake::FakePlatform platform{home.path()};
    const Places places = placesBelow(home.path());
    fake::RecordingSupervisorDelegate shown;
    EngineSupervisor supervisor{platform, places, shown};
};

} // namespace vorl
