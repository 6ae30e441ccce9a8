// Probing the engine, waiting for a launched one to answer, and falling back to the built-in
// page when it cannot serve.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "engine/engine_decisions.h"
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

} // namespace

void AppDelegate::ping(std::function<void(bool healthy)> completion) {
    UrlRequest request{BASE.appendingPathComponent("api/status"), "GET", statusTimeout};
    // The answer may come after the application has begun to end: the session's thread
    // touches only the queue, which the platform keeps until that thread has stopped. What
    // the queue runs, it runs while the application is there.
    MainQueue& mainQueue = platform.mainQueue();
    platform.urlSession().dataTask(
        request, [this, &mainQueue, completion = std::move(completion)](Result<std::string> body) {
            bool answered = isHealthyStatusBody(body);
            mainQueue.async([this, completion, answered] {
                traceStartupPhase("probe answered");
                // Only an engine of the user's own is trusted with the user's work.
                completion(answered && platform.loopbackListener(PORT) == PortListener::currentUser);
            });
        });
}

void AppDelegate::loadEnginePage() {
    web->loadRequest(UrlRequest{BASE, "GET", pageTimeout});
}

void AppDelegate::connect() {
    ping([this](bool healthy) {
        if (healthy)
            loadEnginePage();
        else
            startServer();
    });
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
