// Stopping the engines this application launched, as it ends.

#include "engine/engine_decisions.h"
#include "engine/engine_supervisor.h"

#include <algorithm>
#include <chrono>
#include <semaphore>

namespace vorl {

void EngineSupervisor::stopEngines() {
    assertOnMainThread();
    // An engine that ends from here on is no stop to recover from.
    beginAttempt(EngineState::idle);
    bool anyRunning = std::any_of(launchedEngines.begin(), launchedEngines.end(),
                                  [](const auto& engine) { return engine->process->isRunning(); });
    if (anyRunning) {
        // The session answers by the request's own time-out at the latest; the wait is bounded
        // by it all the same, should an answer never come.
        UrlRequest request = quitRequest(BASE);
        auto answered = std::make_shared<std::binary_semaphore>(0);
        platform.urlSession().dataTask(request,
                                       [answered](const Result<std::string>&) { answered->release(); });
        answered->try_acquire_for(std::chrono::duration<double>(request.timeoutInterval));
    }
    // Whatever an engine left behind in its group goes too, also when the engine itself has
    // already exited. An engine found running at start-up was not launched here and is left
    // alone.
    for (auto& engine : launchedEngines)
        engine->process->terminate();
}

} // namespace vorl
