// Probing the engine, waiting for a launched one to answer, and falling back to the built-in
// page when it cannot serve.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "engine/engine_decisions.h"
#include "engine/engine_stops.h"
#include "engine/log_tail.h"
#include "platform/startup_trace.h"

#include <chrono>

namespace vorl {
namespace {

constexpr Seconds statusTimeout = 0.8;
constexpr Seconds pageTimeout = 60.0;

const char* const engineStoppedMessage =
    "Motoren stoppet under oppstart. Se ~/Library/Logs/VORL Vorudi – motor.log. "
    "Appen bruker den innebygde motoren.";
const char* const engineSilentMessage = "Motoren svarer ikke. Se ~/Library/Logs/VORL Vorudi – motor.log. "
                                        "Appen bruker den innebygde motoren.";
const char* const showLogButton = "Vis motorloggen";

UrlRequest statusRequest() {
    return UrlRequest{BASE.appendingPathComponent("api/status"), "GET", statusTimeout};
}

} // namespace

// The first probe: its verdict on the status body, left by the session's thread, is acted on
// once by the main thread, as soon as both the verdict and the splash are there.
struct AppDelegate::FirstProbe {
    Handoff<bool> healthyBody;
    unsigned attempt = 0;
    bool splashRequested = false;
    bool actedOn = false;
};

void AppDelegate::applicationWillFinishLaunching() {
    // The first probe and the proxies' lookup go out while the toolkit is still starting, so
    // that an engine that already answers can have its page requested together with the splash.
    auto probe = firstProbe = std::make_shared<FirstProbe>();
    probe->attempt = beginRecovery();
    decideProxies();
    MainQueue& mainQueue = platform.mainQueue();
    platform.urlSession().dataTask(statusRequest(), [this, probe, &mainQueue](Result<std::string> body) {
        probe->healthyBody.leave(isHealthyStatusBody(body));
        mainQueue.async([this] { actOnFirstProbe(); });
    });
}

void AppDelegate::splashWasRequested() {
    firstProbe->splashRequested = true;
    actOnFirstProbe();
}

void AppDelegate::actOnFirstProbe() {
    std::optional<bool> healthyBody = firstProbe->healthyBody.look();
    if (!healthyBody || !firstProbe->splashRequested || firstProbe->actedOn)
        return;
    firstProbe->actedOn = true;
    if (firstProbe->attempt != recovery)
        return;
    if (verdict(*healthyBody))
        return connected(true);
    // The engine is launched once the window is up: on a machine of few processors, the
    // interpreter's start and the window's construction would take them from each other, and
    // the main thread is then free to answer the engine the moment it listens.
    platform.mainQueue().async([this, attempt = firstProbe->attempt] {
        if (attempt == recovery)
            connected(false);
    });
}

bool AppDelegate::verdict(bool healthyBody) {
    traceStartupPhase("probe answered");
    // Only an engine of the user's own is trusted with the user's work.
    return healthyBody &&
           isTrustedListener(platform.loopbackListener(PORT), server && server->process->isRunning());
}

void AppDelegate::ping(std::function<void(bool healthy)> completion) {
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

void AppDelegate::loadEnginePage() {
    // Where the system's settings would send it through a proxy, the page waits for the
    // settings that take the engine out of them.
    takeProxyAnswers();
    if (!proxiesKnown) {
        enginePageWaiting = true;
        return;
    }
    web->loadRequest(UrlRequest{BASE, "GET", pageTimeout});
}

unsigned AppDelegate::beginRecovery(EngineState state) {
    setEngineState(state);
    return ++recovery;
}

void AppDelegate::setEngineState(EngineState state) {
    engineState = state;
    platform.application().setMenuActionEnabled(
        MenuAction::restartEngine, state != EngineState::starting && state != EngineState::restarting);
}

void AppDelegate::connect() {
    unsigned attempt = beginRecovery();
    ping([this, attempt](bool healthy) {
        if (attempt == recovery)
            connected(healthy);
    });
}

void AppDelegate::connected(bool healthy) {
    if (healthy) {
        loadEnginePage();
        return beginServing();
    }
    // One engine at a time: one being launched or still starting is waited for, not joined by
    // a second that could only find its port taken.
    if (launching) {
        launchWantedBy = recovery;
        return;
    }
    if (serverRuns())
        return waitForServer();
    startServer();
}

void AppDelegate::beginServing() {
    if (serverRuns())
        return setEngineState(EngineState::servingLaunched);
    setEngineState(EngineState::servingAdopted);
    watchAdoptedEngine(recovery);
}

bool AppDelegate::serverRuns() const {
    return server && !server->ending && server->process->isRunning();
}

Seconds AppDelegate::sinceLaunch() const {
    return std::chrono::duration<double>(platform.clock().now() - started).count();
}

AppDelegate::EngineReport AppDelegate::reportOnServer() const {
    return EngineReport{server ? server->ending : std::nullopt, readLogTail(LOGFILE)};
}

void AppDelegate::waitForServer() {
    unsigned attempt = recovery;
    bool listenedOn = platform.loopbackListener(PORT) != PortListener::none;
    switch (decideListenerWait(server->ending.has_value(), sinceLaunch(), listenedOn)) {
    case ListenerWait::engineStopped:
        return fallback(engineStoppedMessage, reportOnServer());
    case ListenerWait::engineSilent:
        return fallback(engineSilentMessage, reportOnServer());
    case ListenerWait::probe:
        traceStartupPhase("engine listening");
        return pollServer();
    case ListenerWait::lookAgain:
        platform.mainQueue().asyncAfter(listenerLookInterval, [this, attempt] {
            if (attempt == recovery)
                waitForServer();
        });
        return;
    }
}

void AppDelegate::pollServer() {
    unsigned attempt = recovery;
    ping([this, attempt](bool healthy) {
        if (attempt != recovery)
            return;
        std::optional<bool> running;
        if (!healthy && server)
            running = !server->ending;
        switch (decidePoll(healthy, running, sinceLaunch())) {
        case PollOutcome::loadEnginePage:
            loadEnginePage();
            return beginServing();
        case PollOutcome::engineStopped:
            return fallback(engineStoppedMessage, reportOnServer());
        case PollOutcome::engineSilent:
            return fallback(engineSilentMessage, reportOnServer());
        case PollOutcome::probeAgain:
            platform.mainQueue().asyncAfter(pollPause, [this, attempt] {
                if (attempt == recovery)
                    pollServer();
            });
            return;
        }
    });
}

void AppDelegate::fallback(const std::string& message, const EngineReport& report) {
    // Whatever a recovery still has under way gives way to the built-in page.
    beginRecovery(EngineState::idle);
    std::filesystem::path page = ENG / "Auto-Vorudi.html";
    std::error_code error;
    if (std::filesystem::exists(page, error))
        web->loadFileURL(Url::fileUrl(page), Url::fileUrl(ENG));
    Alert warning = alert("VORL Vorudi", message, AlertStyle::warning);
    if (report.ending)
        warning.note = endingDescription(*report.ending);
    if (report.logTail) {
        warning.excerpt = *report.logTail;
        warning.buttons.push_back(showLogButton);
    }
    window->beginAlertSheet(warning, [this](const AlertResult& result) {
        if (result.button == 1u)
            showLog();
    });
}

} // namespace vorl
