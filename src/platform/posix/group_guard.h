#pragma once

#include "platform/process.h"
#include "platform/result.h"

#include <filesystem>
#include <optional>
#include <sys/types.h>

namespace vorl {

// The application's side of the guard program (vorl-motorvakt), which ends a process group once
// the application is gone, however it ended: SIGTERM, unless the application sent it already,
// then SIGKILL to whatever is left of the group after a grace period of 10 s. With a log, it
// also writes the group's output into it, within its limit, until the group has ended.
class GroupGuard {
public:
    // The log the guard writes, and the read end of the pipe the group's output comes through.
    struct Log {
        const OutputLog& output;
        int pipeReadEnd;
    };

    // Starts the guard and waits for its word that it runs. The guard is detached: nobody has
    // to reap it later.
    static Result<GroupGuard, LaunchFailure> start(const std::filesystem::path& program,
                                                   const std::optional<Log>& log);

    // Hands the group over; fails unless the guard confirms it has it.
    Result<void, LaunchFailure> watch(pid_t group);
    // Tells the guard that the group has had SIGTERM, so that it only gives the grace period.
    void groupWasTerminated();
    // Waits until the guard has written what the group's output holds now, or a second has
    // passed. For the one thread that reads the channel once the group is watched.
    void flushOutput();

private:
    explicit GroupGuard(FileDescriptor end) : channel(std::move(end)) {}
    bool hear(const char* word, int milliseconds);

    FileDescriptor channel; // closing it, or the application's end, starts the group's end
};

// Where the guard is installed, beside the running application's own executable.
std::filesystem::path installedGroupGuard();

} // namespace vorl
