// Stopping the engines this application launched, as it terminates.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "engine/engine_decisions.h"

#include <algorithm>
#include <chrono>
#include <semaphore>

namespace vorl {

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed() {
    return true;
}

void AppDelegate::applicationWillTerminate() {
    // An engine that ends from here on is no stop to recover from.
    beginRecovery(EngineState::idle);
    // A dialog on screen does not hold the application up: it and every waiting one are
    // answered as cancelled.
    window->endSheets();
    cancelDownloadsInProgress();
    bool anyRunning = std::any_of(launchedEngines.begin(), launchedEngines.end(),
                                  [](const auto& engine) { return engine->process->isRunning(); });
    if (anyRunning) {
        auto answered = std::make_shared<std::binary_semaphore>(0);
        platform.urlSession().dataTask(quitRequest(BASE),
                                       [answered](const Result<std::string>&) { answered->release(); });
        answered->try_acquire_for(std::chrono::duration<double>(quitWait));
    }
    // Whatever an engine left behind in its group goes too, also when the engine itself has
    // already exited. An engine found running at start-up was not launched here and is left
    // alone.
    for (auto& engine : launchedEngines)
        engine->process->terminate();
}

} // namespace vorl
