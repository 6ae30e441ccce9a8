// Launching the installed engine.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "engine/engine_decisions.h"
#include "platform/startup_trace.h"

#include <unistd.h>

namespace vorl {
namespace {

const char* const notInstalledMessage = "AI-miljøet er ikke installert. Appen bruker den innebygde motoren. "
                                        "Installer VORL Vorudi-pakken på nytt for AI-analyse.";

bool isExecutableFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

void AppDelegate::startServer() {
    std::filesystem::path interpreter = AI / "venv/bin/python";
    std::filesystem::path script = AI / "server.py";
    std::error_code error;
    if (!isExecutableFile(interpreter) || !std::filesystem::exists(script, error)) {
        fallback(notInstalledMessage);
        return;
    }
    if (std::optional<std::string> refusal = launchRefusal(platform.loopbackListener(PORT), PORT)) {
        fallback(*refusal);
        return;
    }

    LaunchRequest request;
    request.executable = interpreter;
    request.arguments = {script.string(), "--port", std::to_string(PORT)};
    request.currentDirectory = ENG;
    request.environment = engineEnvironment(platform.environment(), DATA, certifiPath());
    // A log that cannot be written is no reason not to start: the output is then dropped.
    std::filesystem::create_directories(LOGFILE.parent_path(), error);
    request.output = engineOutputLog(LOGFILE, platform.clock().now());
    launching = true;
    launchWantedBy = recovery;
    platform.processLauncher().launch(
        std::move(request), [this](ProcessLauncher::Outcome outcome) { launched(std::move(outcome)); });
}

void AppDelegate::launched(ProcessLauncher::Outcome outcome) {
    launching = false;
    bool awaited = engineState == EngineState::starting && launchWantedBy == recovery;
    if (!outcome) {
        if (awaited)
            fallback("Motoren kunne ikke startes (" + launchFailureDescription(outcome.failure()) +
                     "). Appen bruker den innebygde motoren.");
        return;
    }
    // Once the start it was for has ended otherwise, the engine goes at once, with its guard.
    if (engineState != EngineState::starting)
        return;
    auto engine = std::make_unique<LaunchedEngine>(LaunchedEngine{std::move(*outcome), std::nullopt});
    server = engine.get();
    launchedEngines.push_back(std::move(engine));
    server->process->setTerminationHandler(
        [this, ended = server](ProcessEnding ending) { engineEnded(ended, ending); });
    started = platform.clock().now();
    traceStartupPhase("engine launched");
    if (awaited)
        waitForServer();
}

std::optional<std::string> AppDelegate::certifiPath() const {
    return findCertifiBundle(AI);
}

} // namespace vorl
