#pragma once

#include "platform/process.h"
#include "platform/result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vorl {

// The application's end of the channel to a guard program (vorl-motorvakt), which ends a process
// group when told to or once the application is gone, however it ended: SIGTERM, unless the
// application sent it already, then SIGKILL to whatever is left of the group after the grace
// period. With a log, it also writes the group's output into it, within its limit, until the
// group has ended. The words they exchange are in guard/guard_protocol.h.
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

    // Says one of the protocol's words; false once the guard has gone.
    bool say(const char* word);
    // What the guard has said since the last call, read without waiting: each whole line, with
    // its line feed, in order; closed once the guard has gone.
    struct Heard {
        std::vector<std::string> lines;
        bool closed = false;
    };
    Heard listen();
    int descriptor() const { return channel.get(); }

private:
    explicit GroupGuard(FileDescriptor end) : channel(std::move(end)) {}
    bool hear(const char* line, int milliseconds);

    FileDescriptor channel; // closing it, or the application's end, starts the group's end
    std::string partial;    // the start of a line not yet whole
};

// Where the guard is installed, beside the running application's own executable.
std::filesystem::path installedGroupGuard();

} // namespace vorl
