#pragma once

#include "platform/platform.h"
#include "platform/process.h"
#include "platform/result.h"
#include "platform/values.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The engine's plain decisions: whether a status reply is healthy, what a poll attempt leads
// to, the engine's environment and CA bundle, and its log.

namespace vorl {

// Whether the engine's status reply says it is ready: a body that is valid UTF-8 and holds
// "ok" in double quotes anywhere. No body (a failed exchange) is not healthy.
bool isHealthyStatusBody(const Result<std::string>& body);

bool isValidUtf8(std::string_view text);

enum class PollOutcome { loadEnginePage, engineStopped, engineSilent, probeAgain };

// What one attempt of the start-up poll leads to, tested in this order: a healthy probe
// wins, then a launched process that has ended, then more than 45 s since the launch.
// launchedEngineRunning is nullopt when no engine was launched.
PollOutcome decidePoll(bool healthy, std::optional<bool> launchedEngineRunning, Seconds sinceLaunch);

// Whether a healthy answer on the port may be trusted with the user's work: it comes from an
// engine of the user's own; or, where the system hides who listens, the engine this application
// launched is still running, so that the answer is all but certainly its own.
bool isTrustedListener(PortListener listener, bool launchedEngineRunning);

// Why no engine is launched while the port is held as listener says, in the words the user
// reads; nothing when an engine may be launched.
std::optional<std::string> launchRefusal(PortListener listener, long port);

inline constexpr Seconds startupTimeLimit = 45.0;
inline constexpr Seconds pollPause = 0.3;

// The engine's environment: the application's own, with VORL_DATA set to the data folder,
// the package folders put in front of PATH, and the CA bundle (when there is one) named in
// SSL_CERT_FILE and REQUESTS_CA_BUNDLE. Nothing else is added or removed.
Environment engineEnvironment(Environment inherited, const std::filesystem::path& data,
                              const std::optional<std::string>& caBundle);

// The CA bundle inside the engine's Python environment: the first entry of ai/venv/lib, in
// the order the folder lists them, whose name begins with "python3" and that holds
// site-packages/certifi/cacert.pem.
std::optional<std::string> findCertifiBundle(const std::filesystem::path& ai);

// "=== start 2026-12-08 01:45:53 +0000 (app) ===\n": the line each launch adds to the log.
std::string logHeaderLine(Date now);

// Opens the log for appending, creating it and its folder when missing, and appends the
// header line. When the log cannot be opened, nothing is written and the failure says why.
Result<FileDescriptor> openEngineLog(const std::filesystem::path& logFile, Date now);

} // namespace vorl
