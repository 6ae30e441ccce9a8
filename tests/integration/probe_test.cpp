// The health probe against real servers on the engine's port, through the real HTTP session.

#include "fake/app_fixture.h"
#include "fake/recording_supervisor_delegate.h"
#include "loopback_server.h"
#include "platform/gtk/soup_url_session.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vorl {
namespace {

using testing::LoopbackServer;

class Probe : public fake::AppFixture {
protected:
    Probe() { platform.realSession = createSoupUrlSession(); }

    // Probes once and waits for the answer; records how long the exchange took.
    bool probe() {
        std::optional<bool> result;
        auto start = std::chrono::steady_clock::now();
        supervisor.ping([&](bool healthy) { result = healthy; });
        EXPECT_TRUE(time().runUntil([&] { return result.has_value(); }, 10));
        took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return result.value_or(false);
    }
    double took = 0;
    fake::RecordingSupervisorDelegate shown;
    EngineSupervisor supervisor{platform, places, shown};
};

TEST_F(Probe, OnlyTheQuotedMarkerInTheBodyDecidesWhateverTheStatus) {
    const std::tuple<int, std::string, bool> cases[] = {
        {200, R"({"status": "ok"})", true},
        {500, R"({"error": "ok", "status": "down"} "ok")", true},
        {200, "", false},
        {200, "ok", false},
        {200, R"({"status": "OK"})", false},
    };
    for (const auto& [status, body, healthy] : cases) {
        LoopbackServer server(8765, LoopbackServer::reply(status, body));
        EXPECT_EQ(probe(), healthy) << status << " " << body;
    }
}

TEST_F(Probe, ARefusedConnectionFailsAtOnce) {
    EXPECT_FALSE(probe());
    EXPECT_LT(took, 0.5);
}

TEST_F(Probe, ASilentServerFailsAfterAboutPointEightSeconds) {
    LoopbackServer server(8765, LoopbackServer::silent());
    EXPECT_FALSE(probe());
    EXPECT_GT(took, 0.7);
    EXPECT_LT(took, 2.0);
}

TEST_F(Probe, ATricklingReplyIsCutOffAtPointEightSecondsWholeExchange) {
    LoopbackServer server(8765, LoopbackServer::trickle());
    EXPECT_FALSE(probe());
    EXPECT_GT(took, 0.7);
    EXPECT_LT(took, 2.0);
}

TEST_F(Probe, AnEndlessBodyIsNotReadBeyondItsBound) {
    LoopbackServer server(8765, LoopbackServer::endless());
    EXPECT_FALSE(probe());
    EXPECT_LT(took, 2.0);
}

} // namespace
} // namespace vorl
