// The real guard handed groups it must refuse. Run as the first process of a PID namespace of
// its own (in_own_pid_namespace.sh), where a guard that took group 1 and signalled every
// process it may would reach nothing but this test.

#include <gtest/gtest.h>

#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorl {
namespace {

// Runs the guard program on its own, with this end of its channel.
class DirectGuard {
public:
    DirectGuard() {
        int ends[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        pid_t starter = ::fork();
        if (starter == 0) {
            ::dup2(ends[1], STDIN_FILENO);
            ::execl(VORL_GUARD, "vorl-motorvakt", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ends[1]);
        channel = ends[0];
        ::waitpid(starter, nullptr, 0);
    }
    ~DirectGuard() { ::close(channel); }
    DirectGuard(const DirectGuard&) = delete;
    DirectGuard& operator=(const DirectGuard&) = delete;

    void say(const std::string& line) { ::send(channel, line.data(), line.size(), MSG_NOSIGNAL); }
    // All it says until it closes the channel, or until 5 s have passed.
    std::string heard() {
        std::string text;
        char byte;
        pollfd readable{channel, POLLIN, 0};
        while (::poll(&readable, 1, 5000) == 1 && ::read(channel, &byte, 1) == 1)
            text.push_back(byte);
        return text;
    }

private:
    int channel = -1;
};

TEST(EngineGuard, TakesOnlyAGroupItMaySignal) {
    if (::getpid() != 1)
        GTEST_SKIP() << "only in a PID namespace of its own, where a wrong signal reaches nothing";
    for (const char* line : {"group 0\n", "group 1\n", "group -3\n", "group 12x\n", "group  42\n",
                             "group 99999999999\n", "grupp 42\n", "terminated\n"}) {
        DirectGuard guard;
        guard.say(line);
        EXPECT_EQ(guard.heard(), "ready\n") << line;
    }
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    } // the guards, orphaned to this first process
}

} // namespace
} // namespace vorl
