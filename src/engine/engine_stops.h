#pragma once

#include "platform/values.h"

#include <vector>

// What follows an engine that stops while its page is in use.

namespace vorl {

enum class EngineStopOutcome {
    relaunch,           // at once, through the start's own path
    relaunchAfterPause, // the same, after relaunchPause
    giveUp,             // the built-in page, with the reason
};

// The engine has stopped unexpectedly now. stops holds when it stopped before, oldest first;
// this stop is added and those older than five minutes are dropped. A first stop within five
// minutes is relaunched at once, a second after a pause; a third is giving up, which starts the
// count anew.
EngineStopOutcome recordEngineStop(std::vector<Date>& stops, Date now);

inline constexpr Seconds relaunchPause = 2.0;

} // namespace vorl
