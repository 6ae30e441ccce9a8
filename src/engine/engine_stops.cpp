#include "engine_stops.h"

#include "base/recent_times.h"

#include <chrono>

namespace vorl {
namespace {

constexpr auto stopWindow = std::chrono::minutes(5);

} // namespace

EngineStopOutcome recordEngineStop(std::vector<Date>& stops, Date now) {
    switch (happenedWithin(stops, now, stopWindow)) {
    case 1:
        return EngineStopOutcome::relaunch;
    case 2:
        return EngineStopOutcome::relaunchAfterPause;
    default:
        stops.clear();
        return EngineStopOutcome::giveUp;
    }
}

} // namespace vorl
