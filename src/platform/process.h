#pragma once

#include "guard/guard_protocol.h"
#include "result.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorl {

using Environment = std::map<std::string, std::string>;

// An open file descriptor, closed when its owner lets go of it.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor = -1) : fd(descriptor) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int get() const { return fd; }
    explicit operator bool() const { return fd >= 0; }

private:
    int fd;
};

// Where a child's standard output and error go: appended to file, which never grows past limit
// bytes. When the next output would take it past, the file becomes file + ".1", replacing an
// older one, and a new file goes on; nothing the child writes is lost on the way.
struct OutputLog {
    std::filesystem::path file;
    std::uint64_t limit = 0;
    std::string header; // written first, before anything of the child's
};

struct LaunchRequest {
    std::filesystem::path executable; // started by this path, never looked up through PATH
    std::vector<std::string> arguments;
    std::filesystem::path currentDirectory;
    Environment environment;
    std::optional<OutputLog> output; // none: the child shares the application's own
};

// How a process ended.
struct ProcessEnding {
    enum class Reason { exit, uncaughtSignal };
    Reason reason;
    int status; // the exit code, or the number of the signal that ended it
};

// Why a launch failed; the application puts it in words.
struct LaunchFailure {
    enum class Reason {
        notStarted,        // the system would not start the child; systemError says why
        guardNotStarted,   // its guard could not be started; systemError says why
        guardSilent,       // the guard did not answer in time
        guardRefusedGroup, // the guard did not confirm that it has the child's process group
    };
    Reason reason;
    int systemError = 0; // an errno value, where the reason has one
};

// A child process that this application launched, leading a process group of its own that
// holds whatever it starts. That group ends with the application: when this object goes, or the
// application ends however it ends, a guard process sends the group the termination signal
// (unless terminate() already did), gives it groupGracePeriod to finish its work, and then
// sends the kill signal to whatever is left of it. A group that has ended is not signalled again.
// Once the guard is done with the group, the child is reaped: no ended child of the
// application's stays a zombie while it runs.
inline constexpr std::chrono::milliseconds groupGracePeriod{GUARD_GRACE_MILLISECONDS};

class Process {
public:
    virtual ~Process() = default;
    // Whether the process itself still runs; the group may hold others.
    virtual bool isRunning() = 0;
    // Sends the termination signal to every process of the group, and leaves the rest to the
    // guard's grace period; does not wait.
    virtual void terminate() = 0;
    // handler runs once, on the main thread, when the process itself has ended and what it
    // wrote before it ended is in its log; never once this object has gone. Set it once, right
    // after the launch: an ending that came before is reported then.
    virtual void setTerminationHandler(std::function<void(ProcessEnding)> handler) = 0;
};

class ProcessLauncher {
public:
    using Outcome = Result<std::unique_ptr<Process>, LaunchFailure>;
    using Completion = std::function<void(Outcome)>;

    virtual ~ProcessLauncher() = default;
    // Starts the child and returns at once, before anything is known. completion runs once, on
    // the main thread, with the child or why there is none; never when the launcher goes first.
    // The child's first instruction runs only once its guard has its group: a launch that fails,
    // or an application that ends during one, leaves no child running.
    virtual void launch(LaunchRequest request, Completion completion) = 0;
};

} // namespace vorl
