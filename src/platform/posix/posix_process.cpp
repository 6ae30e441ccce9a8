#include "posix_process.h"

#include "group_guard.h"
#include "spawn_setup.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/close_range.h>
#include <mutex>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vorl {
namespace {

LaunchFailure notStarted(int error) {
    return LaunchFailure{LaunchFailure::Reason::notStarted, error};
}

// How the child ended, as the system reports it without reaping it; nothing while it runs.
// Unreaped, an ended child's id, which names its group too, cannot be taken by another process
// while this application or the guard may still signal that group.
std::optional<ProcessEnding> endingOf(pid_t pid) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return ProcessEnding{ProcessEnding::Reason::exit, 0}; // no such child any more
    if (info.si_pid == 0)
        return std::nullopt;
    if (info.si_code == CLD_EXITED)
        return ProcessEnding{ProcessEnding::Reason::exit, info.si_status};
    return ProcessEnding{ProcessEnding::Reason::uncaughtSignal, info.si_status};
}

class PosixProcess final : public Process {
public:
    PosixProcess(pid_t child, GroupGuard groupGuard, MainQueue& mainQueue)
        : pid(child), guard(std::move(groupGuard)), queue(mainQueue), notice(std::make_shared<Notice>()) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) == 0) {
            wakeRead = FileDescriptor(ends[0]);
            wakeWrite = FileDescriptor(ends[1]);
        }
        watcher = std::thread([this] { watchForEnding(); });
    }

    ~PosixProcess() override {
        notice->alive = false;
        wakeWrite = FileDescriptor(); // wakes the watcher
        watcher.join();
    }

    bool isRunning() override { return !endingOf(pid); }

    void terminate() override {
        ::kill(-pid, SIGTERM);
        guard.groupWasTerminated();
    }

    void setTerminationHandler(std::function<void(ProcessEnding)> handler) override {
        notice->handler = std::move(handler);
        if (notice->ending)
            queue.async([notice = notice] { notice->tell(); });
    }

private:
    // What the main thread hears of the ending; touched there only.
    struct Notice {
        bool alive = true;
        std::function<void(ProcessEnding)> handler;
        std::optional<ProcessEnding> ending;
        bool told = false;

        void tell() {
            if (alive && handler && ending && !std::exchange(told, true))
                handler(*ending);
        }
    };

    // On the watcher's thread: waits for the child's end, has the guard write out what it left
    // in its output, and posts the ending.
    void watchForEnding() {
        FileDescriptor ended(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
        std::optional<ProcessEnding> ending;
        while (!(ending = endingOf(pid))) {
            pollfd ready[2] = {{ended.get(), POLLIN, 0}, {wakeRead.get(), POLLIN, 0}};
            // Without a process descriptor (a kernel before 5.3), a look every tenth of a second.
            int waited = ::poll(ready, 2, ended ? -1 : 100);
            if (waited > 0 && ready[1].revents)
                return;
        }
        guard.flushOutput();
        queue.async([notice = notice, ending] {
            notice->ending = ending;
            notice->tell();
        });
    }

    pid_t pid;
    GroupGuard guard;
    MainQueue& queue;
    std::shared_ptr<Notice> notice;
    FileDescriptor wakeRead;
    FileDescriptor wakeWrite;
    std::thread watcher;
};

// Everything the child needs, made before the fork: after it, the child may only make calls
// that are safe in a copy of a process with other threads.
struct ChildSetup {
    std::vector<std::string> argumentStrings;
    std::vector<char*> argv;
    std::vector<std::string> environmentStrings;
    std::vector<char*> envp;
    std::string executable;
    std::string directory;
    int output = -1;     // standard output and error; -1: the application's own
    int gate = -1;       // one byte on it lets the child go on
    int gateOpener = -1; // the application's end of the gate, which the child lets go of at once
    int failed = -1;     // the child writes errno here when it cannot go on
    int highestDescriptor = 0;

    explicit ChildSetup(const LaunchRequest& request)
        : executable(request.executable.string()), directory(request.currentDirectory.string()) {
        argumentStrings.push_back(executable);
        argumentStrings.insert(argumentStrings.end(), request.arguments.begin(), request.arguments.end());
        for (auto& argument : argumentStrings)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        for (const auto& [key, value] : request.environment)
            environmentStrings.push_back(key + "=" + value);
        for (auto& entry : environmentStrings)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        highestDescriptor = static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 65536));
    }
};

[[noreturn]] void failChild(int failed) {
    int error = errno;
    [[maybe_unused]] ssize_t written = ::write(failed, &error, sizeof error);
    ::_exit(127);
}

// The child, between fork and exec. It starts with every signal at its default and none
// blocked, whatever the application's own handlers are, and leads a process group of its own,
// which holds whatever it starts: that group is what the guard ends, and a Ctrl+C in the
// terminal stays with the application, which then stops the engine itself.
[[noreturn]] void runChild(const ChildSetup& setup) {
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::setpgid(0, 0);
    // Only the application may hold the gate's other end: when it goes, the gate closes.
    ::close(setup.gateOpener);
    char go = 0;
    ssize_t got;
    while ((got = ::read(setup.gate, &go, 1)) < 0 && errno == EINTR) {
    }
    if (got != 1)
        ::_exit(127); // the application went before the guard had the group
    if (::chdir(setup.directory.c_str()) != 0)
        failChild(setup.failed);
    if (setup.output >= 0 &&
        (::dup2(setup.output, STDOUT_FILENO) < 0 || ::dup2(setup.output, STDERR_FILENO) < 0))
        failChild(setup.failed);
    if (::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
        for (int descriptor = STDERR_FILENO + 1; descriptor < setup.highestDescriptor; ++descriptor)
            ::fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    ::execve(setup.executable.c_str(), setup.argv.data(), setup.envp.data());
    failChild(setup.failed);
}

void writeAll(int descriptor, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        done += static_cast<size_t>(written);
    }
}

class PosixProcessLauncher final : public ProcessLauncher {
public:
    PosixProcessLauncher(std::filesystem::path groupGuard, MainQueue& mainQueue,
                         std::function<void(pid_t)> spawnedSeam)
        : guardProgram(std::move(groupGuard)), queue(mainQueue), spawned(std::move(spawnedSeam)) {
        // An ignored SIGCHLD survives exec, and with it the kernel reaps each child as it ends:
        // an ended engine's id, which names its group, could then go to another process while
        // this application and the guard may still signal that group. Nothing has been launched
        // yet when the launcher is made.
        struct sigaction defaults {};
        defaults.sa_handler = SIG_DFL;
        ::sigaction(SIGCHLD, &defaults, nullptr);
    }

    ~PosixProcessLauncher() override {
        std::lock_guard lock(mutex);
        for (std::thread& launch : launches)
            launch.join();
    }

    void launch(LaunchRequest request, Completion completion) override {
        std::lock_guard lock(mutex);
        launches.emplace_back([this, request = std::move(request), completion = std::move(completion)] {
            auto outcome = std::make_shared<Outcome>(launchNow(request));
            queue.async([outcome, completion] { completion(std::move(*outcome)); });
        });
    }

private:
    Outcome launchNow(const LaunchRequest& request) {
        // The output goes through a pipe into the guard, which writes the log.
        FileDescriptor outputRead, outputWrite;
        if (request.output) {
            int ends[2];
            if (::pipe2(ends, O_CLOEXEC) != 0)
                return notStarted(errno);
            outputRead = FileDescriptor(ends[0]);
            outputWrite = FileDescriptor(ends[1]);
        }
        // The guard comes first: no engine runs for a moment without one.
        Result<GroupGuard, LaunchFailure> guard = GroupGuard::start(
            guardProgram, request.output ? std::optional(GroupGuard::Log{*request.output, outputRead.get()})
                                         : std::nullopt);
        outputRead = FileDescriptor();
        if (!guard)
            return guard.failure();
        if (request.output)
            writeAll(outputWrite.get(), request.output->header);

        int gateEnds[2], failedEnds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gateEnds) != 0)
            return notStarted(errno);
        FileDescriptor gate(gateEnds[0]), childGate(gateEnds[1]);
        if (::pipe2(failedEnds, O_CLOEXEC) != 0)
            return notStarted(errno);
        FileDescriptor failedRead(failedEnds[0]), failedWrite(failedEnds[1]);
        ChildSetup setup(request);
        setup.output = outputWrite.get();
        setup.gate = childGate.get();
        setup.gateOpener = gate.get();
        setup.failed = failedWrite.get();

        pid_t pid = ::fork();
        if (pid == 0)
            runChild(setup);
        if (pid < 0)
            return notStarted(errno);
        ::setpgid(pid, pid); // as the child does itself: the group is there before the guard hears of it
        childGate = FileDescriptor();
        failedWrite = FileDescriptor();
        outputWrite = FileDescriptor();
        if (spawned)
            spawned(pid);

        if (Result<void, LaunchFailure> watched = guard->watch(pid); !watched) {
            // Its gate closes unopened: the child ends without having run anything.
            gate = FileDescriptor();
            ::kill(pid, SIGKILL);
            reap(pid);
            return watched.failure();
        }
        const char go = 1;
        ::send(gate.get(), &go, 1, MSG_NOSIGNAL);
        gate = FileDescriptor();
        // Nothing comes through once the child has executed its program; errno if it could not.
        int error = 0;
        ssize_t got;
        while ((got = ::read(failedRead.get(), &error, sizeof error)) < 0 && errno == EINTR) {
        }
        if (got == static_cast<ssize_t>(sizeof error)) {
            reap(pid); // before its guard goes, which then finds no group to end
            return notStarted(error);
        }
        return std::unique_ptr<Process>(std::make_unique<PosixProcess>(pid, std::move(*guard), queue));
    }

    std::filesystem::path guardProgram;
    MainQueue& queue;
    std::function<void(pid_t)> spawned;
    std::mutex mutex;
    std::vector<std::thread> launches;
};

} // namespace

std::unique_ptr<ProcessLauncher> createPosixProcessLauncher(std::filesystem::path groupGuard,
                                                            MainQueue& queue,
                                                            std::function<void(pid_t child)> spawned) {
    return std::make_unique<PosixProcessLauncher>(std::move(groupGuard), queue, std::move(spawned));
}

} // namespace vorl
