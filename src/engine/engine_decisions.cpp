#include "engine_decisions.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace vorl {

bool isValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        size_t length;
        char32_t codePoint;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if ((byte & 0xe0) == 0xc0) {
            length = 2;
            codePoint = byte & 0x1f;
        } else if ((byte & 0xf0) == 0xe0) {
            length = 3;
            codePoint = byte & 0x0f;
        } else if ((byte & 0xf8) == 0xf0) {
            length = 4;
            codePoint = byte & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            auto continuation = static_cast<unsigned char>(text[i + k]);
            if ((continuation & 0xc0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (continuation & 0x3f);
        }
        static constexpr char32_t smallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < smallestOfLength[length] || codePoint > 0x10ffff ||
            (codePoint >= 0xd800 && codePoint <= 0xdfff))
            return false;
        i += length;
    }
    return true;
}

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

bool isTrustedListener(PortListener listener, bool launchedEngineRunning) {
    return listener == PortListener::currentUser ||
           (listener == PortListener::unknown && launchedEngineRunning);
}

std::optional<std::string> launchRefusal(PortListener listener, long port) {
    // An engine launched beside another listener could not listen itself, and would only be
    // reported as stopped.
    switch (listener) {
    case PortListener::otherUser:
        return "Motoren kunne ikke startes fordi en annen bruker på maskinen bruker port " +
               std::to_string(port) + ". Appen bruker den innebygde motoren.";
    case PortListener::unknown:
        return "Motoren kunne ikke startes fordi port " + std::to_string(port) +
               " er i bruk, og systemet lar ikke appen se hvem som bruker den. Appen bruker den innebygde "
               "motoren.";
    case PortListener::none:
    case PortListener::currentUser:
        break;
    }
    return std::nullopt;
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

Result<FileDescriptor> openEngineLog(const std::filesystem::path& logFile, Date now) {
    std::error_code ignored;
    std::filesystem::create_directories(logFile.parent_path(), ignored);
    // Appending, so that two engines writing the same log never overwrite each other.
    FileDescriptor log(::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!log)
        return Failure{std::strerror(errno)};
    std::string header = logHeaderLine(now);
    [[maybe_unused]] ssize_t written = ::write(log.get(), header.data(), header.size());
    return log;
}

} // namespace vorl
