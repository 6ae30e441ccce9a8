#include "startup_trace.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vorl {

void traceStartupPhase(const std::string& phase) {
    static std::FILE* const trace = [] {
        const char* path = std::getenv("VORL_STARTUP_TRACE");
        return path ? std::fopen(path, "a") : nullptr;
    }();
    if (!trace)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(trace, "%lld.%09ld %s\n", static_cast<long long>(now.tv_sec), now.tv_nsec, phase.c_str());
    std::fflush(trace);
}

} // namespace vorl
