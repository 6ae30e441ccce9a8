// Probing the engine, waiting for a launched one to answer, and falling back to the built-in
// page when it cannot serve.

#include "base/handoff.h"
#include "engine/engine_decisions.h"
#include "engine/engine_supervisor.h"
#include "engine/log_tail.h"
#include "platform/startup_trace.h"

#include <cassert>
#include <chrono>

namespace vorl {
namespace {

constexpr Seconds statusTimeout = 0.8;

UrlRequest statusRequest() {
    return UrlRequest{BASE.appendingPathComponent("api/status"), "GET", statusTimeout};
}

} // namespace

// The first probe: its verdict on the status body, left by the session's thread, is acted on
// once by the main thread, as soon as both the verdict and the splash are there.
struct EngineSupervisor::FirstProbe {
    Handoff<bool> healthyBody;
    Attempts::Attempt attempt;
    bool splashRequested = false;
    bool actedOn = false;
};

EngineSupervisor::EngineSupervisor(Platform& desktop, const Places& placesOnDisk,
                                   EngineSupervisorDelegate& shown)
    : platform(desktop), places(placesOnDisk), delegate(shown), started(desktop.clock().now()) {}

EngineSupervisor::~EngineSupervisor() = default;

void EngineSupervisor::assertOnMainThread() const {
    assert(platform.mainQueue().isMainThread() && "the engine's supervision runs on the main thread");
}

void EngineSupervisor::probeEarly() {
    assertOnMainThread();
    auto probe = firstProbe = std::make_shared<FirstProbe>();
    probe->attempt = beginAttempt(EngineState::starting);
    MainQueue& mainQueue = platform.mainQueue();
    platform.urlSession().dataTask(statusRequest(), [this, probe, &mainQueue](Result<std::string> body) {
        probe->healthyBody.leave(isHealthyStatusBody(body));
        mainQueue.async([this] { actOnFirstProbe(); });
    });
}

void EngineSupervisor::splashRequested() {
    assertOnMainThread();
    firstProbe->splashRequested = true;
    actOnFirstProbe();
}

void EngineSupervisor::actOnFirstProbe() {
    std::optional<bool> healthyBody = firstProbe->healthyBody.look();
    if (!healthyBody || !firstProbe->splashRequested || std::exchange(firstProbe->actedOn, true) ||
        !attempts.isCurrent(firstProbe->attempt))
        return;
    if (verdict(*healthyBody))
        return connected(true);
    // The engine is launched once the window is up: on a machine of few processors, the
    // interpreter's start and the window's construction would take them from each other, and
    // the main thread is then free to answer the engine the moment it listens.
    platform.mainQueue().async(attempts.whileCurrent([this] { connected(false); }));
}

bool EngineSupervisor::verdict(bool healthyBody) {
    traceStartupPhase("probe answered");
    // Only an engine of the user's own is trusted with the user's work.
    return healthyBody && isTrustedListener(platform.loopbackListener(PORT), serverRuns());
}

void EngineSupervisor::ping(std::function<void(bool healthy)> completion) {
    assertOnMainThread();
    // The answer may come after the application has begun to end: the session's thread
    // touches only the queue, which the platform keeps until that thread has stopped. What
    // the queue runs, it runs while the application is there.
    MainQueue& mainQueue = platform.mainQueue();
    platform.urlSession().dataTask(
        statusRequest(), [this, &mainQueue, completion = std::move(completion)](Result<std::string> body) {
            bool healthyBody = isHealthyStatusBody(body);
            mainQueue.async([this, completion, healthyBody] { completion(verdict(healthyBody)); });
        });
}

Attempts::Attempt EngineSupervisor::beginAttempt(EngineState state) {
    setState(state);
    return attempts.begin();
}

void EngineSupervisor::setState(EngineState state) {
    engineState = state;
    delegate.restartAvailabilityChanged(restartAvailable());
}

bool EngineSupervisor::restartAvailable() const {
    return engineState != EngineState::starting && engineState != EngineState::restarting;
}

void EngineSupervisor::connect() {
    assertOnMainThread();
    beginAttempt(EngineState::starting);
    ping(attempts.whileCurrent([this](bool healthy) { connected(healthy); }));
}

void EngineSupervisor::connected(bool healthy) {
    if (healthy)
        return serve();
    // One engine at a time: one being launched or still starting is waited for, not joined by
    // a second that could only find its port taken.
    if (launching) {
        launchWantedBy = attempts.now();
        return;
    }
    if (serverRuns())
        return waitForServer();
    startServer();
}

void EngineSupervisor::serve() {
    delegate.showEnginePage();
    if (serverRuns())
        return setState(EngineState::servingLaunched);
    setState(EngineState::servingAdopted);
    watchAdoptedEngine();
}

bool EngineSupervisor::serverRuns() const {
    return server && !server->ending && server->process->isRunning();
}

Seconds EngineSupervisor::sinceLaunch() const {
    return std::chrono::duration<double>(platform.clock().now() - started).count();
}

EngineWarning EngineSupervisor::warningAboutServer(FallbackReason reason) const {
    return EngineWarning{reason, std::nullopt, server ? server->ending : std::nullopt,
                         readLogTail(places.LOGFILE)};
}

void EngineSupervisor::waitForServer() {
    assertOnMainThread();
    bool listenedOn = platform.loopbackListener(PORT) != PortListener::none;
    switch (decideListenerWait(server->ending.has_value(), sinceLaunch(), listenedOn)) {
    case ListenerWait::engineStopped:
        return fallback(warningAboutServer(FallbackReason::stoppedWhileStarting));
    case ListenerWait::engineSilent:
        return fallback(warningAboutServer(FallbackReason::silent));
    case ListenerWait::probe:
        traceStartupPhase("engine listening");
        return pollServer();
    case ListenerWait::lookAgain:
        platform.mainQueue().asyncAfter(listenerLookInterval,
                                        attempts.whileCurrent([this] { waitForServer(); }));
        return;
    }
}

void EngineSupervisor::pollServer() {
    ping(attempts.whileCurrent([this](bool healthy) {
        std::optional<bool> running;
        if (!healthy && server)
            running = !server->ending;
        switch (decidePoll(healthy, running, sinceLaunch())) {
        case PollOutcome::loadEnginePage:
            return serve();
        case PollOutcome::engineStopped:
            return fallback(warningAboutServer(FallbackReason::stoppedWhileStarting));
        case PollOutcome::engineSilent:
            return fallback(warningAboutServer(FallbackReason::silent));
        case PollOutcome::probeAgain:
            platform.mainQueue().asyncAfter(pollPause, attempts.whileCurrent([this] { pollServer(); }));
            return;
        }
    }));
}

void EngineSupervisor::fallback(const EngineWarning& warning) {
    assertOnMainThread();
    // Whatever an attempt still has under way gives way to the built-in page, and no engine
    // launched here keeps running behind it: a launch still under way ends once it completes.
    beginAttempt(EngineState::idle);
    launchedEngines.clear();
    server = nullptr;
    delegate.showBuiltInPage(warning);
}

void EngineSupervisor::recoverEnginePage() {
    assertOnMainThread();
    delegate.showSplash();
    connect();
}

} // namespace vorl
