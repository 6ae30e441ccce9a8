// The engine while its page is in use: one that stops is noticed and replaced, one that keeps
// stopping ends in the built-in page with its reasons, and the user can restart it.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "engine/engine_decisions.h"
#include "engine/engine_stops.h"

#include <chrono>

namespace vorl {
namespace {

// The user's own engine is looked for on its port this often: the kernel answers in well under
// a millisecond, and the engine gets no request while the page is idle.
constexpr Seconds adoptedEngineLook = 1.0;
// A stopped engine's port is free once its group has had the guard's grace period.
constexpr std::chrono::seconds freePortWait{12};
constexpr Seconds freePortLook = 0.1;

const char* const stoppedThriceMessage =
    "Motoren stoppet tre ganger på under fem minutter. Appen bruker den innebygde motoren.";

} // namespace

void AppDelegate::engineEnded(LaunchedEngine* engine, ProcessEnding ending) {
    engine->ending = ending;
    if (engine == server && engineState == EngineState::servingLaunched)
        engineStoppedUnexpectedly();
}

void AppDelegate::watchAdoptedEngine(unsigned attempt) {
    platform.mainQueue().asyncAfter(adoptedEngineLook, [this, attempt] {
        if (attempt != recovery || engineState != EngineState::servingAdopted)
            return;
        if (adoptedEngineHasGone(platform.loopbackListener(PORT)))
            engineStoppedUnexpectedly();
        else
            watchAdoptedEngine(attempt);
    });
}

void AppDelegate::engineStoppedUnexpectedly() {
    EngineStopOutcome outcome = recordEngineStop(engineStops, platform.clock().now());
    if (outcome == EngineStopOutcome::giveUp) {
        // What a launched engine left in the log tells why it stopped; the user's own engine
        // logs elsewhere.
        EngineReport report;
        if (engineState == EngineState::servingLaunched)
            report = reportOnServer();
        releaseServer();
        return fallback(stoppedThriceMessage, report);
    }
    releaseServer();
    // The page's requests go with it, answered as cancelled; the start's own path follows.
    window->endSheets();
    if (outcome == EngineStopOutcome::relaunch)
        return recoverEnginePage();
    web->loadHTMLString(SPLASH, std::nullopt);
    unsigned attempt = beginRecovery();
    platform.mainQueue().asyncAfter(relaunchPause, [this, attempt] {
        if (attempt == recovery)
            connect();
    });
}

void AppDelegate::releaseServer() {
    std::erase_if(launchedEngines, [this](const auto& engine) { return engine.get() == server; });
    server = nullptr;
}

void AppDelegate::restartEngine() {
    if (engineState == EngineState::starting || engineState == EngineState::restarting)
        return;
    bool adopted = engineState == EngineState::servingAdopted;
    unsigned attempt = beginRecovery(EngineState::restarting);
    window->endSheets();
    web->loadHTMLString(SPLASH, std::nullopt);
    bool launchedRunning = serverRuns();
    if (!launchedRunning && !adopted) {
        releaseServer();
        return connect(); // nothing of the user's own runs to be stopped
    }
    quitHandled = false;
    // The user's own engine is only asked to quit; one launched here is stopped as at the
    // application's end.
    MainQueue& mainQueue = platform.mainQueue();
    platform.urlSession().dataTask(quitRequest(BASE),
                                   [this, &mainQueue, attempt](const Result<std::string>&) {
                                       mainQueue.async([this, attempt] { quitAnswered(attempt); });
                                   });
    if (launchedRunning)
        mainQueue.asyncAfter(quitWait, [this, attempt] { quitAnswered(attempt); });
}

void AppDelegate::quitAnswered(unsigned attempt) {
    if (attempt != recovery || std::exchange(quitHandled, true))
        return;
    if (server && server->process->isRunning())
        server->process->terminate();
    releaseServer();
    waitForFreePort(attempt, platform.clock().now() + freePortWait);
}

void AppDelegate::waitForFreePort(unsigned attempt, Date deadline) {
    if (attempt != recovery)
        return;
    if (platform.loopbackListener(PORT) == PortListener::none || platform.clock().now() >= deadline)
        return connect();
    platform.mainQueue().asyncAfter(freePortLook,
                                    [this, attempt, deadline] { waitForFreePort(attempt, deadline); });
}

} // namespace vorl
