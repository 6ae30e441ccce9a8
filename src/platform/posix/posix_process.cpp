#include "posix_process.h"

#include "group_guard.h"
#include "spawn_setup.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace vorl {
namespace {

class PosixProcess final : public Process {
public:
    PosixProcess(pid_t child, GroupGuard groupGuard) : pid(child), guard(std::move(groupGuard)) {}

    bool isRunning() override {
        if (exited)
            return false;
        // WNOWAIT leaves an ended child unreaped: its id, which names its group too, cannot be
        // taken by another process while this object or the guard may still signal that group.
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == 0)
            return true;
        exited = true;
        return false;
    }

    void terminate() override {
        ::kill(-pid, SIGTERM);
        guard.groupWasTerminated();
    }

private:
    pid_t pid;
    GroupGuard guard;
    bool exited = false;
};

class PosixProcessLauncher final : public ProcessLauncher {
public:
    explicit PosixProcessLauncher(std::filesystem::path groupGuard) : guardProgram(std::move(groupGuard)) {
        // An ignored SIGCHLD survives exec, and with it the kernel reaps each child as it ends:
        // an ended engine's id, which names its group, could then go to another process while
        // this application and the guard may still signal that group. Nothing has been launched
        // yet when the launcher is made.
        struct sigaction defaults {};
        defaults.sa_handler = SIG_DFL;
        ::sigaction(SIGCHLD, &defaults, nullptr);
    }

    Result<std::unique_ptr<Process>> launch(LaunchRequest request) override {
        // The guard comes first: no engine runs for a moment without one.
        Result<GroupGuard> guard = GroupGuard::start(guardProgram);
        if (!guard)
            return Failure{guard.error()};

        SpawnSetup setup;
        setup.check(posix_spawn_file_actions_addchdir_np(&setup.actions, request.currentDirectory.c_str()));
        if (request.standardOutputAndError) {
            setup.check(posix_spawn_file_actions_adddup2(&setup.actions, request.standardOutputAndError.get(),
                                                         STDOUT_FILENO));
            setup.check(posix_spawn_file_actions_adddup2(&setup.actions, request.standardOutputAndError.get(),
                                                         STDERR_FILENO));
        }
        setup.check(posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1));
        if (setup.error != 0)
            return Failure{std::strerror(setup.error)};

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

        // The engine leads a process group of its own, which holds whatever it starts: that group
        // is what the guard ends, and a Ctrl+C in the terminal stays with the application, which
        // then stops the engine itself.
        pid_t pid = 0;
        int error = ::posix_spawn(&pid, request.executable.c_str(), &setup.actions, &setup.attributes,
                                  argv.data(), envp.data());
        if (error != 0)
            return Failure{std::strerror(error)};
        if (Result<void> watched = guard->watch(pid); !watched) {
            // An engine nobody would end with the application does not run at all.
            ::kill(-pid, SIGKILL);
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            return Failure{watched.error()};
        }
        return std::unique_ptr<Process>(std::make_unique<PosixProcess>(pid, std::move(*guard)));
    }

private:
    std::filesystem::path guardProgram;
};

} // namespace

std::unique_ptr<ProcessLauncher> createPosixProcessLauncher(std::filesystem::path groupGuard) {
    return std::make_unique<PosixProcessLauncher>(std::move(groupGuard));
}

} // namespace vorl
