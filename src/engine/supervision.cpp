// The engine while its page is in use: one that stops is noticed and replaced, one that keeps
// stopping ends in the built-in page with its reasons, and the user can restart it.

#include "engine/engine_decisions.h"
#include "engine/engine_stops.h"
#include "engine/engine_supervisor.h"

#include <algorithm>
#include <chrono>

namespace vorl {
namespace {

// The user's own engine is looked for on its port this often: the kernel answers in well under
// a millisecond, and the engine gets no request while the page is idle.
constexpr Seconds adoptedEngineLook = 1.0;
// A stopped engine's port is free once its group has had the guard's grace period, and its
// last processes have closed their sockets.
constexpr auto freePortWait = groupGracePeriod + std::chrono::seconds(2);
constexpr Seconds freePortLook = 0.1;

} // namespace

void EngineSupervisor::engineEnded(unsigned id, ProcessEnding ending) {
    assertOnMainThread();
    auto engine = std::find_if(launchedEngines.begin(), launchedEngines.end(),
                               [id](const auto& launched) { return launched->id == id; });
    if (engine == launchedEngines.end())
        return; // let go of already: its ending is nobody's business
    (*engine)->ending = ending;
    if (engine->get() == server && engineState == EngineState::servingLaunched)
        engineStoppedUnexpectedly();
}

void EngineSupervisor::watchAdoptedEngine() {
    platform.mainQueue().asyncAfter(adoptedEngineLook, attempts.whileCurrent([this] {
        if (engineState != EngineState::servingAdopted)
            return;
        if (adoptedEngineHasGone(platform.loopbackListener(PORT)))
            engineStoppedUnexpectedly();
        else
            watchAdoptedEngine();
    }));
}

void EngineSupervisor::engineStoppedUnexpectedly() {
    EngineStopOutcome outcome = recordEngineStop(engineStops, platform.clock().now());
    if (outcome == EngineStopOutcome::giveUp) {
        // What a launched engine left in the log tells why it stopped; the user's own engine
        // logs elsewhere.
        EngineWarning warning{FallbackReason::stoppedThrice};
        if (engineState == EngineState::servingLaunched)
            warning = warningAboutServer(FallbackReason::stoppedThrice);
        return fallback(warning);
    }
    releaseServer();
    // The page's requests go with it, answered as cancelled; the start's own path follows.
    delegate.cancelPageRequests();
    delegate.showSplash();
    if (outcome == EngineStopOutcome::relaunch)
        return connect();
    beginAttempt(EngineState::starting);
    platform.mainQueue().asyncAfter(relaunchPause, attempts.whileCurrent([this] { connect(); }));
}

void EngineSupervisor::releaseServer() {
    std::erase_if(launchedEngines, [this](const auto& engine) { return engine.get() == server; });
    server = nullptr;
}

void EngineSupervisor::restartEngine() {
    assertOnMainThread();
    if (!restartAvailable())
        return;
    bool adopted = engineState == EngineState::servingAdopted;
    beginAttempt(EngineState::restarting);
    delegate.cancelPageRequests();
    delegate.showSplash();
    bool launchedRunning = serverRuns();
    if (!launchedRunning && !adopted) {
        releaseServer();
        return connect(); // nothing of the user's own runs to be stopped
    }
    // The user's own engine is only asked to quit; one launched here is stopped as at the
    // application's end, once the request has been answered or has timed out.
    MainQueue& mainQueue = platform.mainQueue();
    auto answered = attempts.whileCurrent([this] { quitAnswered(); });
    platform.urlSession().dataTask(
        quitRequest(BASE), [&mainQueue, answered](const Result<std::string>&) { mainQueue.async(answered); });
}

void EngineSupervisor::quitAnswered() {
    if (serverRuns())
        server->process->terminate();
    releaseServer();
    waitForFreePort(platform.clock().now() + freePortWait);
}

void EngineSupervisor::waitForFreePort(Date deadline) {
    if (platform.loopbackListener(PORT) == PortListener::none || platform.clock().now() >= deadline)
        return connect();
    platform.mainQueue().asyncAfter(freePortLook,
                                    attempts.whileCurrent([this, deadline] { waitForFreePort(deadline); }));
}

} // namespace vorl
