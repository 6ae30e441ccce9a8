#include "posix_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorl {
namespace {

// After fork in a process with other threads, only async-signal-safe calls are allowed:
// this runs in the watchdog, between its fork and its _exit.
[[noreturn]] void watchGroup(pid_t group, int applicationEnded) {
    // A group of its own, so that signals meant for the application's group leave it be.
    ::setpgid(0, 0);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE})
        ::sigaction(signal, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (applicationEnded > 0)
        ::close_range(0, static_cast<unsigned>(applicationEnded) - 1, 0);
    ::close_range(static_cast<unsigned>(applicationEnded) + 1, ~0U, 0);

    // Only the application holds the pipe's other end: the read returns when it has gone.
    char byte;
    while (::read(applicationEnded, &byte, 1) < 0 && errno == EINTR) {
    }
    ::kill(-group, SIGTERM);
    const timespec pause{0, 50'000'000};
    for (int waited = 0; waited < 40 && ::kill(-group, 0) == 0; ++waited)
        ::nanosleep(&pause, nullptr);
    ::kill(-group, SIGKILL);
    ::_exit(0);
}

// Starts a watchdog that ends the process group once the returned descriptor is closed, by
// this object's owner or by the end of the application, however it ends. The watchdog is
// the application's grandchild, so nobody has to reap it.
FileDescriptor startWatchdog(pid_t group) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return FileDescriptor();
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);
    // _Fork runs no fork handlers: those of the libraries loaded here may take locks that
    // other threads hold, in this process or in the child.
    pid_t intermediate = ::_Fork();
    if (intermediate == 0) {
        if (::_Fork() == 0)
            watchGroup(group, readEnd.get());
        ::_exit(0);
    }
    if (intermediate < 0)
        return FileDescriptor();
    while (::waitpid(intermediate, nullptr, 0) < 0 && errno == EINTR) {
    }
    return writeEnd;
}

class PosixProcess final : public Process {
public:
    PosixProcess(pid_t child, FileDescriptor groupEnder) : pid(child), watchdog(std::move(groupEnder)) {}

    bool isRunning() override {
        if (exited)
            return false;
        // WNOWAIT leaves an ended child unreaped: its id, which names its group too, cannot be
        // taken by another process while this object may still signal that group.
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == 0)
            return true;
        exited = true;
        return false;
    }

    void terminate() override { ::kill(-pid, SIGTERM); }

private:
    pid_t pid;
    FileDescriptor watchdog; // closing it ends the group
    bool exited = false;
};

// Frees posix_spawn's attribute and file-action objects however launch() returns.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

class PosixProcessLauncher final : public ProcessLauncher {
public:
    Result<std::unique_ptr<Process>> launch(LaunchRequest request) override {
        SpawnSetup setup;
        posix_spawn_file_actions_addchdir_np(&setup.actions, request.currentDirectory.c_str());
        if (request.standardOutputAndError) {
            posix_spawn_file_actions_adddup2(&setup.actions, request.standardOutputAndError.get(),
                                             STDOUT_FILENO);
            posix_spawn_file_actions_adddup2(&setup.actions, request.standardOutputAndError.get(),
                                             STDERR_FILENO);
        }
        posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1);

        // The child starts with every signal at its default and none blocked, whatever the
        // application's own handlers are. It leads a process group of its own, which holds
        // whatever it starts: that group is what ends with the application, and a Ctrl+C in
        // the terminal stays with the application, which then stops the engine itself.
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&setup.attributes, &all);
        posix_spawnattr_setsigmask(&setup.attributes, &none);
        posix_spawnattr_setpgroup(&setup.attributes, 0);
        posix_spawnattr_setflags(&setup.attributes,
                                 POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

        std::vector<std::string> argumentStrings{request.executable.string()};
        argumentStrings.insert(argumentStrings.end(), request.arguments.begin(), request.arguments.end());
        std::vector<char*> argv;
        for (auto& argument : argumentStrings)
            argv.push_back(argument.data());
        argv.push_back(nullptr);

        std::vector<std::string> environmentStrings;
        for (const auto& [key, value] : request.environment)
            environmentStrings.push_back(key + "=" + value);
        std::vector<char*> envp;
        for (auto& entry : environmentStrings)
            envp.push_back(entry.data());
        envp.push_back(nullptr);

        pid_t pid = 0;
        int error = ::posix_spawn(&pid, request.executable.c_str(), &setup.actions, &setup.attributes,
                                  argv.data(), envp.data());
        if (error != 0)
            return Failure{std::strerror(error)};
        return std::unique_ptr<Process>(std::make_unique<PosixProcess>(pid, startWatchdog(pid)));
    }
};

} // namespace

std::unique_ptr<ProcessLauncher> createPosixProcessLauncher() {
    return std::make_unique<PosixProcessLauncher>();
}

} // namespace vorl
