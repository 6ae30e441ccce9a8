// Probing the engine, waiting for a launched one to answer, and falling back to the built-in
// page when it cannot serve.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "engine/engine_decisions.h"
#include "platform/startup_trace.h"

#include <chrono>
#include <mutex>

namespace vorl {
namespace {

constexpr Seconds statusTimeout = 0.8;
constexpr Seconds pageTimeout = 60.0;

const char* const engineStoppedMessage =
    "Motoren stoppet under oppstart. Se ~/Library/Logs/VORL Vorudi – motor.log. "
    "Appen bruker den innebygde motoren.";
const char* const engineSilentMessage = "Motoren svarer ikke. Se ~/Library/Logs/VORL Vorudi – motor.log. "
                                        "Appen bruker den innebygde motoren.";

UrlRequest statusRequest() {
    return UrlRequest{BASE.appendingPathComponent("api/status"), "GET", statusTimeout};
}

} // namespace

// The first probe: its verdict on the status body, left by the session's thread, is acted on
// once by the main thread, as soon as both the verdict and the splash are there.
struct AppDelegate::FirstProbe {
    std::mutex mutex;
    std::optional<bool> healthyBody; // guarded by mutex
    bool splashRequested = false;
    bool actedOn = false;
};

void AppDelegate::applicationWillFinishLaunching() {
    // The first probe goes out while the toolkit is still starting, so that an engine that
    // already answers can have its page requested together with the splash.
    auto probe = firstProbe = std::make_shared<FirstProbe>();
    MainQueue& mainQueue = platform.mainQueue();
    platform.urlSession().dataTask(statusRequest(), [this, probe, &mainQueue](Result<std::string> body) {
        {
            std::lock_guard lock(probe->mutex);
            probe->healthyBody = isHealthyStatusBody(body);
        }
        mainQueue.async([this] { actOnFirstProbe(); });
    });
}

void AppDelegate::splashWasRequested() {
    firstProbe->splashRequested = true;
    actOnFirstProbe();
}

void AppDelegate::actOnFirstProbe() {
    std::optional<bool> healthyBody;
    {
        std::lock_guard lock(firstProbe->mutex);
        healthyBody = firstProbe->healthyBody;
    }
    if (!healthyBody || !firstProbe->splashRequested || firstProbe->actedOn)
        return;
    firstProbe->actedOn = true;
    connected(verdict(*healthyBody));
}

bool AppDelegate::verdict(bool healthyBody) {
    traceStartupPhase("probe answered");
    // Only an engine of the user's own is trusted with the user's work.
    return healthyBody && isTrustedListener(platform.loopbackListener(PORT), server && server->isRunning());
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
    web->loadRequest(UrlRequest{BASE, "GET", pageTimeout});
}

void AppDelegate::connect() {
    ping([this](bool healthy) { connected(healthy); });
}

void AppDelegate::connected(bool healthy) {
    if (healthy)
        loadEnginePage();
    else
        startServer();
}

void AppDelegate::waitForServer() {
    ping([this](bool healthy) {
        std::optional<bool> running;
        if (!healthy && server)
            running = server->isRunning();
        Seconds sinceLaunch = std::chrono::duration<double>(platform.clock().now() - started).count();
        switch (decidePoll(healthy, running, sinceLaunch)) {
        case PollOutcome::loadEnginePage:
            loadEnginePage();
            break;
        case PollOutcome::engineStopped:
            fallback(engineStoppedMessage);
            break;
        case PollOutcome::engineSilent:
            fallback(engineSilentMessage);
            break;
        case PollOutcome::probeAgain:
            platform.mainQueue().asyncAfter(pollPause, [this] { waitForServer(); });
            break;
        }
    });
}

void AppDelegate::fallback(const std::string& message) {
    std::filesystem::path page = ENG / "Auto-Vorudi.html";
    std::error_code error;
    if (std::filesystem::exists(page, error))
        web->loadFileURL(Url::fileUrl(page), Url::fileUrl(ENG));
    showAlert("VORL Vorudi", message, AlertStyle::warning);
}

} // namespace vorl
