#pragma once

#include "platform/values.h"

#include <optional>

namespace vorl {

enum class PollOutcome { loadEnginePage, engineStopped, engineSilent, probeAgain };

// What one attempt of the start-up poll leads to, tested in this order: a healthy probe
// wins, then a launched process that has ended, then more than 45 s since the launch.
// launchedEngineRunning is nullopt when no engine was launched.
PollOutcome decidePoll(bool healthy, std::optional<bool> launchedEngineRunning, Seconds sinceLaunch);

inline constexpr Seconds startupTimeLimit = 45.0;
inline constexpr Seconds pollPause = 0.3;

} // namespace vorl
