#include "poll_decision.h"

namespace vorl {

PollOutcome decidePoll(bool healthy, std::optional<bool> launchedEngineRunning, Seconds sinceLaunch) {
    if (healthy)
        return PollOutcome::loadEnginePage;
    if (launchedEngineRunning == false)
        return PollOutcome::engineStopped;
    if (sinceLaunch > startupTimeLimit)
        return PollOutcome::engineSilent;
    return PollOutcome::probeAgain;
}

} // namespace vorl
