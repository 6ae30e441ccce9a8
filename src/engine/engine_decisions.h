#pragma once

#include "base/utf8.h"
#include "engine_words.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "platform/result.h"
#include "platform/values.h"

#include <cstdint>
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

enum class PollOutcome { loadEnginePage, engineStopped, engineSilent, probeAgain };

// What one attempt of the start-up poll leads to, tested in this order: a healthy probe
// wins, then a launched process that has ended, then more than 45 s since the launch.
// launchedEngineRunning is nullopt when no engine was launched.
PollOutcome decidePoll(bool healthy, std::optional<bool> launchedEngineRunning, Seconds sinceLaunch);

// Whether a healthy answer on the port may be trusted with the user's work: it comes from an
// engine of the user's own; or, where the system hides who listens, the engine this application
// launched is still running, so that the answer is all but certainly its own.
bool isTrustedListener(PortListener listener, bool launchedEngineRunning);

// Why no engine is launched while the port is held as listener says; nothing when an engine may
// be launched.
std::optional<FallbackReason> launchRefusal(PortListener listener);

// Whether the user's own engine, whose page is shown, has gone: nothing of the user's listens
// on its port any more.
bool adoptedEngineHasGone(PortListener listener);

// The request that asks the engine at engine to quit. Its time-out bounds the wait for it.
UrlRequest quitRequest(const Url& engine);

inline constexpr Seconds startupTimeLimit = 45.0;
inline constexpr Seconds pollPause = 0.3;

enum class ListenerWait { engineStopped, engineSilent, probe, lookAgain };

// While a launched engine does not listen yet, it gets no request: every listenerLookInterval
// the port is looked at, which the kernel answers in well under a millisecond, and the first
// status request goes out as soon as something listens there. Tested in this order: the
// engine has ended, more than 45 s have passed since the launch, the port is listened on.
ListenerWait decideListenerWait(bool engineEnded, Seconds sinceLaunch, bool portListenedOn);

inline constexpr Seconds listenerLookInterval = 0.01;

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

// The log never grows past 10 MiB; the one before it is kept beside it as logFile + ".1".
inline constexpr std::uint64_t engineLogLimit = 10 * 1024 * 1024;

// Where a launch's output goes: logFile, headed by the launch's line.
OutputLog engineOutputLog(const std::filesystem::path& logFile, Date now);

} // namespace vorl
