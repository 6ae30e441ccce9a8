#include "group_guard.h"

#include "installed_folder.h"
#include "spawn_setup.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace vorl {
namespace {

// Long enough for a guard on a busy machine; a guard that says nothing for this long is stuck.
constexpr int answerMilliseconds = 5000;
constexpr int flushMilliseconds = 1000;
// Where the guard finds the output's pipe.
constexpr int guardOutput = 3;

LaunchFailure notStarted(int error) {
    return LaunchFailure{LaunchFailure::Reason::guardNotStarted, error};
}

bool sendLine(int channel, const std::string& line) {
    // MSG_NOSIGNAL: a guard that has gone must not take the application with it through SIGPIPE.
    return ::send(channel, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
}

} // namespace

Result<GroupGuard, LaunchFailure> GroupGuard::start(const std::filesystem::path& program,
                                                    const std::optional<Log>& log) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return notStarted(errno);
    FileDescriptor applicationEnd(ends[0]);
    FileDescriptor guardEnd(ends[1]);

    // The guard's end becomes its standard input, the output's pipe its descriptor 3, and it
    // holds no other descriptor: one more copy of the application's end, anywhere, and the
    // guard would never see the channel's end.
    SpawnSetup setup;
    setup.check(posix_spawn_file_actions_adddup2(&setup.actions, guardEnd.get(), STDIN_FILENO));
    if (log) {
        setup.check(posix_spawn_file_actions_adddup2(&setup.actions, log->pipeReadEnd, guardOutput));
        for (int inherited : {STDOUT_FILENO, STDERR_FILENO})
            setup.check(posix_spawn_file_actions_addclose(&setup.actions, inherited));
    }
    setup.check(
        posix_spawn_file_actions_addclosefrom_np(&setup.actions, log ? guardOutput + 1 : STDIN_FILENO + 1));
    if (setup.error != 0)
        return notStarted(setup.error);
    std::string name = "vorl-motorvakt";
    std::string file = log ? log->output.file.string() : "";
    std::string limit = log ? std::to_string(log->output.limit) : "";
    std::vector<char*> argv{name.data()};
    if (log) {
        argv.push_back(file.data());
        argv.push_back(limit.data());
    }
    argv.push_back(nullptr);
    char* envp[] = {nullptr};
    pid_t starter = 0;
    if (int error =
            ::posix_spawn(&starter, program.c_str(), &setup.actions, &setup.attributes, argv.data(), envp))
        return notStarted(error);
    guardEnd = FileDescriptor();
    // The process started here forks the guard and exits at once.
    reap(starter);
    GroupGuard guard(std::move(applicationEnd));
    if (!guard.hear("ready", answerMilliseconds))
        return LaunchFailure{LaunchFailure::Reason::guardSilent};
    return guard;
}

Result<void, LaunchFailure> GroupGuard::watch(pid_t group) {
    if (!sendLine(channel.get(), "group " + std::to_string(group) + "\n") ||
        !hear("watching", answerMilliseconds))
        return LaunchFailure{LaunchFailure::Reason::guardRefusedGroup};
    return {};
}

void GroupGuard::groupWasTerminated() {
    // Unheard, the guard sends SIGTERM once more at the end, which is the safe side.
    sendLine(channel.get(), "terminated\n");
}

void GroupGuard::flushOutput() {
    if (sendLine(channel.get(), "flush\n"))
        hear("flushed", flushMilliseconds);
}

bool GroupGuard::hear(const char* word, int milliseconds) {
    std::string expected = std::string(word) + "\n";
    std::string heard;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (heard.size() < expected.size()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        pollfd readable{channel.get(), POLLIN, 0};
        int ready = ::poll(&readable, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        char byte;
        if (ready <= 0 || ::recv(channel.get(), &byte, 1, 0) != 1)
            return false;
        heard.push_back(byte);
    }
    return heard == expected;
}

std::filesystem::path installedGroupGuard() {
    return installedFolder(VORL_GUARD_DIR) / "vorl-motorvakt";
}

} // namespace vorl
