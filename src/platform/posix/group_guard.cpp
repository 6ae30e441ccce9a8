#include "group_guard.h"

#include "installed_folder.h"
#include "spawn_setup.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorl {
namespace {

// Long enough for a guard on a busy machine; a guard that says nothing for this long is stuck.
constexpr int answerMilliseconds = 5000;

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

    // The guard's end becomes its standard input, the output's pipe its own descriptor, and it
    // holds no other descriptor: one more copy of the application's end, anywhere, and the
    // guard would never see the channel's end.
    SpawnSetup setup;
    setup.check(posix_spawn_file_actions_adddup2(&setup.actions, guardEnd.get(), STDIN_FILENO));
    if (log) {
        setup.check(
            posix_spawn_file_actions_adddup2(&setup.actions, log->pipeReadEnd, GUARD_OUTPUT_DESCRIPTOR));
        for (int inherited : {STDOUT_FILENO, STDERR_FILENO})
            setup.check(posix_spawn_file_actions_addclose(&setup.actions, inherited));
    }
    setup.check(posix_spawn_file_actions_addclosefrom_np(&setup.actions, log ? GUARD_OUTPUT_DESCRIPTOR + 1
                                                                             : STDIN_FILENO + 1));
    if (setup.error != 0)
        return notStarted(setup.error);
    std::string name = GUARD_PROGRAM;
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
    if (!guard.hear(GUARD_READY, answerMilliseconds))
        return LaunchFailure{LaunchFailure::Reason::guardSilent};
    return guard;
}

Result<void, LaunchFailure> GroupGuard::watch(pid_t group) {
    if (!sendLine(channel.get(), GUARD_GROUP + std::to_string(group) + "\n") ||
        !hear(GUARD_WATCHING, answerMilliseconds))
        return LaunchFailure{LaunchFailure::Reason::guardRefusedGroup};
    return {};
}

bool GroupGuard::say(const char* word) {
    return sendLine(channel.get(), word);
}

GroupGuard::Heard GroupGuard::listen() {
    Heard heard;
    char chunk[64];
    for (;;) {
        ssize_t got = ::recv(channel.get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            heard.closed = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            return heard;
        }
        partial.append(chunk, static_cast<size_t>(got));
        for (size_t end; (end = partial.find('\n')) != std::string::npos;) {
            heard.lines.push_back(partial.substr(0, end + 1));
            partial.erase(0, end + 1);
        }
    }
}

bool GroupGuard::hear(const char* line, int milliseconds) {
    std::string expected = line;
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
    return installedFolder(VORL_GUARD_DIR) / GUARD_PROGRAM;
}

} // namespace vorl
