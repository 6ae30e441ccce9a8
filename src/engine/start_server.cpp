// Launching the installed engine.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "engine/engine_decisions.h"

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
    // A log that cannot be opened is no reason not to start: the engine then writes where the
    // application does.
    if (Result<FileDescriptor> log = openEngineLog(LOGFILE, platform.clock().now()))
        request.standardOutputAndError = std::move(*log);

    Result<std::unique_ptr<Process>> launched = platform.processLauncher().launch(std::move(request));
    if (!launched) {
        fallback("Motoren kunne ikke startes (" + launched.error() +
                 "). Appen bruker den innebygde motoren.");
        return;
    }
    server = launched->get();
    launchedEngines.push_back(std::move(*launched));
    started = platform.clock().now();
    waitForServer();
}

std::optional<std::string> AppDelegate::certifiPath() const {
    return findCertifiBundle(AI);
}

} // namespace vorl
