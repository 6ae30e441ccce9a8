#pragma once

#include "result.h"

#include <filesystem>
#include <map>
#include <memory>
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

struct LaunchRequest {
    std::filesystem::path executable; // started by this path, never looked up through PATH
    std::vector<std::string> arguments;
    std::filesystem::path currentDirectory;
    Environment environment;
    FileDescriptor standardOutputAndError; // none: the child shares the application's own
};

// A child process that this application launched, leading a process group of its own that
// holds whatever it starts. That group ends with the application: when this object goes, or the
// application ends however it ends, a guard process sends the group the termination signal
// (unless terminate() already did), gives it a grace period of 10 s to finish its work, and then
// sends the kill signal to whatever is left of it. A group that has ended is not signalled again.
class Process {
public:
    virtual ~Process() = default;
    // Whether the process itself still runs; the group may hold others.
    virtual bool isRunning() = 0;
    // Sends the termination signal to every process of the group, and leaves the rest to the
    // guard's grace period; does not wait.
    virtual void terminate() = 0;
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts the child and returns at once; does not wait for it. A failure carries the reason
    // the user reads: the system's description of why the child could not be started, or why
    // its guard could not be set up, in which case no child is left running.
    virtual Result<std::unique_ptr<Process>> launch(LaunchRequest request) = 0;
};

} // namespace vorl
