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
// holds whatever it starts. That group never outlives the application: when this object goes,
// or the application ends however it ends, every process still in it gets the termination
// signal, and a little later the kill signal.
class Process {
public:
    virtual ~Process() = default;
    // Whether the process itself still runs; the group may hold others.
    virtual bool isRunning() = 0;
    // Sends the termination signal to every process of the group; does not wait.
    virtual void terminate() = 0;
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts the child and returns at once; does not wait for it. A failure carries the
    // system's description of why the child could not be started.
    virtual Result<std::unique_ptr<Process>> launch(LaunchRequest request) = 0;
};

} // namespace vorl
