#include "posix_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorl {
namespace {

class PosixProcess final : public Process {
public:
    explicit PosixProcess(pid_t child) : pid(child) {}

    bool isRunning() override {
        if (exited)
            return false;
        int status = 0;
        pid_t result = ::waitpid(pid, &status, WNOHANG);
        if (result == 0)
            return true;
        exited = true; // reaped now, or by someone else (ECHILD)
        return false;
    }

    void terminate() override {
        if (isRunning())
            ::kill(pid, SIGTERM);
    }

private:
    pid_t pid;
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
    LaunchResult launch(LaunchRequest request) override {
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
        // application's own handlers are; its own process group keeps a Ctrl+C in the
        // terminal for the application, which then stops the engine itself.
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
            return LaunchResult{nullptr, std::strerror(error)};
        return LaunchResult{std::make_unique<PosixProcess>(pid), {}};
    }
};

} // namespace

std::unique_ptr<ProcessLauncher> createPosixProcessLauncher() {
    return std::make_unique<PosixProcessLauncher>();
}

} // namespace vorl
