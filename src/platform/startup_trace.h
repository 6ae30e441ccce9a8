#pragma once

#include <string>

namespace vorl {

// Start-up timing for the benchmark: when VORL_STARTUP_TRACE names a file, each phase passed
// here is appended to it as a line "<seconds on the monotonic clock> <phase>". Without it,
// nothing is written. Main thread only.
void traceStartupPhase(const std::string& phase);

} // namespace vorl
