#pragma once

#include "platform/values.h"

#include <cstddef>
#include <vector>

namespace vorl {

// Something has happened now: times, when it happened before, oldest first, gets now and loses
// what lies window or more in the past. How often it has happened within the window, now
// included. A breaker that gives up clears times, so that the count starts anew.
inline std::size_t happenedWithin(std::vector<Date>& times, Date now, Date::duration window) {
    std::erase_if(times, [now, window](Date time) { return now - time >= window; });
    times.push_back(now);
    return times.size();
}

} // namespace vorl
