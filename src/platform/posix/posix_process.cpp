#include "posix_process.h"

#include "child_watcher.h"
#include "group_guard.h"
#include "spawn_setup.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vorl {
namespace {

LaunchFailure notStarted(int error) {
    return LaunchFailure{LaunchFailure::Reason::notStarted, error};
}

// What a launch needs, shared by the launcher and its launches' threads, which may outlive it.
struct LaunchShared {
    std::filesystem::path guardProgram;
    std::function<void(pid_t)> spawned;
    std::shared_ptr<Outbox> outbox;
    std::shared_ptr<ChildWatcher> watcher;
};

// What the main thread hears of a child's ending; touched there only.
struct Notice {
    bool alive = true; // until the application lets go of the child
    std::function<void(ProcessEnding)> handler;
    std::optional<ProcessEnding> ending;
    bool told = false;

    void tell() {
        if (alive && handler && ending && !std::exchange(told, true))
            handler(*ending);
    }
};

// A child the application holds. Its guard's channel is the watcher's: what the application
// tells the guard goes through the watcher's wake-up, and its ending comes back from there.
class PosixProcess final : public Process {
public:
    PosixProcess(pid_t child, const LaunchShared& shared, ChildWatcher::ChildId watched,
                 std::shared_ptr<Notice> ending)
        : pid(child), watcher(shared.watcher), outbox(shared.outbox), id(watched), notice(std::move(ending)) {
    }

    ~PosixProcess() override {
        notice->alive = false;
        watcher->tell(id, ChildWatcher::Word::release);
    }

    bool isRunning() override { return !endingOf(pid); }

    void terminate() override {
        ::kill(-pid, SIGTERM);
        watcher->tell(id, ChildWatcher::Word::terminated);
    }

    void setTerminationHandler(std::function<void(ProcessEnding)> handler) override {
        notice->handler = std::move(handler);
        if (notice->ending)
            outbox->post([notice = notice] { notice->tell(); });
    }

private:
    pid_t pid;
    std::shared_ptr<ChildWatcher> watcher;
    std::shared_ptr<Outbox> outbox;
    ChildWatcher::ChildId id;
    std::shared_ptr<Notice> notice;
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

// On a thread of its own, which may wait: starts the guard, then the child, and hands the
// child to the watcher once it runs its program.
ProcessLauncher::Outcome launchNow(const LaunchRequest& request, const LaunchShared& shared) {
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
        shared.guardProgram,
        request.output ? std::optional(GroupGuard::Log{*request.output, outputRead.get()}) : std::nullopt);
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
    if (shared.spawned)
        shared.spawned(pid);

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
    auto notice = std::make_shared<Notice>();
    std::optional<ChildWatcher::ChildId> id =
        shared.watcher->watch(pid, *guard, [outbox = shared.outbox, notice](ProcessEnding ending) {
            outbox->post([notice, ending] {
                notice->ending = ending;
                notice->tell();
            });
        });
    if (!id)
        return notStarted(ECANCELED); // the launcher has gone; the guard ends the child with the launch
    return std::unique_ptr<Process>(std::make_unique<PosixProcess>(pid, shared, *id, notice));
}

class PosixProcessLauncher final : public ProcessLauncher {
public:
    PosixProcessLauncher(std::filesystem::path groupGuard, MainQueue& mainQueue,
                         std::function<void(pid_t)> spawnedSeam)
        : shared{std::move(groupGuard), std::move(spawnedSeam), std::make_shared<Outbox>(mainQueue),
                 std::make_shared<ChildWatcher>()} {
        // An ignored SIGCHLD survives exec, and with it the kernel reaps each child as it ends:
        // an ended engine's id, which names its group, could then go to another process while
        // this application and the guard may still signal that group. Nothing has been launched
        // yet when the launcher is made.
        struct sigaction defaults {};
        defaults.sa_handler = SIG_DFL;
        ::sigaction(SIGCHLD, &defaults, nullptr);
    }

    // Nothing is waited for: a launch still under way finds the outbox closed, and its child
    // ends with its guard.
    ~PosixProcessLauncher() override {
        shared.outbox->close();
        shared.watcher->stop();
    }

    void launch(LaunchRequest request, Completion completion) override {
        std::thread([shared = shared, request = std::move(request), completion = std::move(completion)] {
            auto outcome = std::make_shared<Outcome>(launchNow(request, shared));
            shared.outbox->post([outcome, completion] { completion(std::move(*outcome)); });
        }).detach();
    }

private:
    LaunchShared shared;
};

} // namespace

std::unique_ptr<ProcessLauncher> createPosixProcessLauncher(std::filesystem::path groupGuard,
                                                            MainQueue& queue,
                                                            std::function<void(pid_t child)> spawned) {
    return std::make_unique<PosixProcessLauncher>(std::move(groupGuard), queue, std::move(spawned));
}

} // namespace vorl
