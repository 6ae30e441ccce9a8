// Launching the installed engine.

#include "engine/engine_decisions.h"
#include "engine/engine_supervisor.h"
#include "platform/startup_trace.h"

#include <unistd.h>

namespace vorl {
namespace {

bool isExecutableFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

void EngineSupervisor::startServer() {
    assertOnMainThread();
    std::filesystem::path interpreter = places.AI / "venv/bin/python";
    std::filesystem::path script = places.AI / "server.py";
    std::error_code error;
    if (!isExecutableFile(interpreter) || !std::filesystem::exists(script, error))
        return fallback(EngineWarning{FallbackReason::notInstalled});
    if (std::optional<FallbackReason> refusal = launchRefusal(platform.loopbackListener(PORT)))
        return fallback(EngineWarning{*refusal});

    LaunchRequest request;
    request.executable = interpreter;
    request.arguments = {script.string(), "--port", std::to_string(PORT)};
    request.currentDirectory = places.ENG;
    request.environment = engineEnvironment(platform.environment(), places.DATA, certifiPath());
    // A log that cannot be written is no reason not to start: the output is then dropped.
    std::filesystem::create_directories(places.LOGFILE.parent_path(), error);
    request.output = engineOutputLog(places.LOGFILE, platform.clock().now());
    launching = true;
    launchWantedBy = attempts.now();
    platform.processLauncher().launch(
        std::move(request), [this](ProcessLauncher::Outcome outcome) { launched(std::move(outcome)); });
}

void EngineSupervisor::launched(ProcessLauncher::Outcome outcome) {
    assertOnMainThread();
    launching = false;
    bool awaited = engineState == EngineState::starting && attempts.isCurrent(launchWantedBy);
    if (!outcome) {
        if (awaited)
            fallback(EngineWarning{FallbackReason::launchFailed, outcome.failure()});
        return;
    }
    // Once the start it was for has ended otherwise, the engine goes at once, with its guard.
    if (engineState != EngineState::starting)
        return;
    auto engine =
        std::make_unique<LaunchedEngine>(LaunchedEngine{++lastEngineId, std::move(*outcome), std::nullopt});
    server = engine.get();
    launchedEngines.push_back(std::move(engine));
    server->process->setTerminationHandler(
        [this, id = server->id](ProcessEnding ending) { engineEnded(id, ending); });
    started = platform.clock().now();
    traceStartupPhase("engine launched");
    if (awaited)
        waitForServer();
}

std::optional<std::string> EngineSupervisor::certifiPath() const {
    return findCertifiBundle(places.AI);
}

} // namespace vorl
