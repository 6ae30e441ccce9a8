#include "group_guard.h"

#include "installed_folder.h"
#include "spawn_setup.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorl {
namespace {

// Long enough for a guard on a busy machine; a guard that says nothing for this long is stuck.
constexpr std::chrono::milliseconds answerTime{5000};

Failure notStarted(int error) {
    return Failure{std::string("motorvakten kunne ikke startes: ") + std::strerror(error)};
}

} // namespace

Result<GroupGuard> GroupGuard::start(const std::filesystem::path& program) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return notStarted(errno);
    FileDescriptor applicationEnd(ends[0]);
    FileDescriptor guardEnd(ends[1]);

    // The guard's end becomes its standard input, and it holds no other descriptor: one more copy
    // of the application's end, anywhere, and the guard would never see the channel's end.
    SpawnSetup setup;
    setup.check(posix_spawn_file_actions_adddup2(&setup.actions, guardEnd.get(), STDIN_FILENO));
    setup.check(posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDIN_FILENO + 1));
    if (setup.error != 0)
        return notStarted(setup.error);
    char name[] = "vorl-motorvakt";
    char* argv[] = {name, nullptr};
    char* envp[] = {nullptr};
    pid_t starter = 0;
    if (int error = ::posix_spawn(&starter, program.c_str(), &setup.actions, &setup.attributes, argv, envp))
        return notStarted(error);
    guardEnd = FileDescriptor();
    // The process started here forks the guard and exits at once.
    while (::waitpid(starter, nullptr, 0) < 0 && errno == EINTR) {
    }
    GroupGuard guard(std::move(applicationEnd));
    if (Result<void> ready = guard.hear("ready"); !ready)
        return Failure{ready.error()};
    return guard;
}

Result<void> GroupGuard::watch(pid_t group) {
    std::string line = "group " + std::to_string(group) + "\n";
    // MSG_NOSIGNAL: a guard that has gone must not take the application with it through SIGPIPE.
    if (::send(channel.get(), line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
        return Failure{"motorvakten fikk ikke motorens prosessgruppe"};
    if (!hear("watching"))
        return Failure{"motorvakten fikk ikke motorens prosessgruppe"};
    return {};
}

void GroupGuard::groupWasTerminated() {
    const char line[] = "terminated\n";
    // Unheard, the guard sends SIGTERM once more at the end, which is the safe side.
    [[maybe_unused]] ssize_t sent = ::send(channel.get(), line, sizeof line - 1, MSG_NOSIGNAL);
}

Result<void> GroupGuard::hear(const char* word) {
    std::string expected = std::string(word) + "\n";
    std::string heard;
    auto deadline = std::chrono::steady_clock::now() + answerTime;
    while (heard.size() < expected.size()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        pollfd readable{channel.get(), POLLIN, 0};
        int ready = ::poll(&readable, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        char byte;
        if (ready <= 0 || ::recv(channel.get(), &byte, 1, 0) != 1)
            return Failure{"motorvakten svarte ikke"};
        heard.push_back(byte);
    }
    if (heard != expected)
        return Failure{"motorvakten svarte ikke"};
    return {};
}

std::filesystem::path installedGroupGuard() {
    return installedFolder(VORL_GUARD_DIR) / "vorl-motorvakt";
}

} // namespace vorl
