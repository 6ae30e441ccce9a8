#include "engine_decisions.h"

#include <ctime>

namespace vorl {

bool isHealthyStatusBody(const Result<std::string>& body) {
    return body && isValidUtf8(*body) && body->find("\"ok\"") != std::string::npos;
}

PollOutcome decidePoll(bool healthy, std::optional<bool> launchedEngineRunning, Seconds sinceLaunch) {
    if (healthy)
        return PollOutcome::loadEnginePage;
    if (launchedEngineRunning == false)
        return PollOutcome::engineStopped;
    if (sinceLaunch > startupTimeLimit)
        return PollOutcome::engineSilent;
    return PollOutcome::probeAgain;
}

ListenerWait decideListenerWait(bool engineEnded, Seconds sinceLaunch, bool portListenedOn) {
    if (engineEnded)
        return ListenerWait::engineStopped;
    if (sinceLaunch > startupTimeLimit)
        return ListenerWait::engineSilent;
    return portListenedOn ? ListenerWait::probe : ListenerWait::lookAgain;
}

bool isTrustedListener(PortListener listener, bool launchedEngineRunning) {
    return listener == PortListener::currentUser ||
           (listener == PortListener::unknown && launchedEngineRunning);
}

std::optional<FallbackReason> launchRefusal(PortListener listener) {
    // An engine launched beside another listener could not listen itself, and would only be
    // reported as stopped.
    switch (listener) {
    case PortListener::otherUser:
        return FallbackReason::portHeldByOtherUser;
    case PortListener::unknown:
        return FallbackReason::portHeldUnseen;
    case PortListener::none:
    case PortListener::currentUser:
        break;
    }
    return std::nullopt;
}

bool adoptedEngineHasGone(PortListener listener) {
    return listener == PortListener::none || listener == PortListener::otherUser;
}

UrlRequest quitRequest(const Url& engine) {
    constexpr Seconds quitRequestTimeout = 1.5;
    return UrlRequest{engine.appendingPathComponent("api/quit"), "POST", quitRequestTimeout};
}

Environment engineEnvironment(Environment inherited, const std::filesystem::path& data,
                              const std::optional<std::string>& caBundle) {
    inherited["VORL_DATA"] = data.string();
    auto path = inherited.find("PATH");
    std::string searchPath = path != inherited.end() ? path->second : "/usr/bin:/bin:/usr/sbin:/sbin";
    inherited["PATH"] = "/opt/homebrew/bin:/usr/local/bin:" + searchPath;
    if (caBundle) {
        inherited["SSL_CERT_FILE"] = *caBundle;
        inherited["REQUESTS_CA_BUNDLE"] = *caBundle;
    }
    return inherited;
}

std::optional<std::string> findCertifiBundle(const std::filesystem::path& ai) {
    std::filesystem::path root = ai / "venv/lib";
    std::error_code error;
    // Stepped with increment(error): a folder that cannot be read to its end ends the search.
    for (std::filesystem::directory_iterator entry(root, error), end; !error && entry != end;
         entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (!name.starts_with("python3"))
            continue;
        std::filesystem::path bundle = root / name / "site-packages/certifi/cacert.pem";
        std::error_code missing;
        if (std::filesystem::exists(bundle, missing))
            return bundle.string();
    }
    return std::nullopt;
}

std::string logHeaderLine(Date now) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S +0000", &utc);
    return std::string("=== start ") + stamp + " (app) ===\n";
}

OutputLog engineOutputLog(const std::filesystem::path& logFile, Date now) {
    return OutputLog{logFile, engineLogLimit, logHeaderLine(now)};
}

} // namespace vorl
