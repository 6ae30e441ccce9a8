// Stopping the engines this application launched, as it terminates.

#include "app/app_delegate.h"
#include "app/globals.h"

#include <chrono>
#include <semaphore>

namespace vorl {
namespace {

constexpr Seconds quitRequestTimeout = 1.5;
constexpr Seconds quitWait = 2.0;

} // namespace

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed() {
    return true;
}

void AppDelegate::applicationWillTerminate() {
    auto stillRunning = [this] {
        std::vector<Process*> running;
        for (auto& engine : launchedEngines) {
            if (engine->isRunning())
                running.push_back(engine.get());
        }
        return running;
    };
    // An engine found running at start-up was not launched here and is left alone.
    if (stillRunning().empty())
        return;

    auto answered = std::make_shared<std::binary_semaphore>(0);
    platform.urlSession().dataTask(
        UrlRequest{BASE.appendingPathComponent("api/quit"), "POST", quitRequestTimeout},
        [answered](const std::optional<std::string>&) { answered->release(); });
    answered->try_acquire_for(std::chrono::duration<double>(quitWait));

    for (Process* engine : stillRunning())
        engine->terminate();
}

} // namespace vorl
