#pragma once

#include "platform/process.h"
#include "platform/result.h"

#include <filesystem>
#include <sys/types.h>

namespace vorl {

// The application's side of the guard program (vorl-motorvakt), which ends a process group once
// the application is gone, however it ended: SIGTERM, unless the application sent it already,
// then SIGKILL to whatever is left of the group after a grace period of 10 s. Failures carry
// the Norwegian reason the user reads.
class GroupGuard {
public:
    // Starts the guard and waits for its word that it runs. The guard is detached: nobody has
    // to reap it later.
    static Result<GroupGuard> start(const std::filesystem::path& program);

    // Hands the group over; fails unless the guard confirms it has it.
    Result<void> watch(pid_t group);
    // Tells the guard that the group has had SIGTERM, so that it only gives the grace period.
    void groupWasTerminated();

private:
    explicit GroupGuard(FileDescriptor end) : channel(std::move(end)) {}
    Result<void> hear(const char* word);

    FileDescriptor channel; // closing it, or the application's end, starts the group's end
};

// Where the guard is installed, beside the running application's own executable.
std::filesystem::path installedGroupGuard();

} // namespace vorl
