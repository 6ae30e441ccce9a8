// The real launcher, on its own: the engine's output carried into a bounded log, and a launch
// whose application is killed before the engine's guard has its group.

#include "engine/engine_decisions.h"
#include "fake/app_fixture.h"
#include "platform/posix/posix_process.h"
#include "standin_engine.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorl {
namespace {

constexpr std::uint64_t mebibyte = 1024 * 1024;

class Launcher : public ::testing::Test {
protected:
    Launcher() { testing::installStandIn(home.path()); }
    ~Launcher() override {
        engines.clear(); // their guards end them
        EXPECT_TRUE(time.runUntil([] { return !testing::portAnswers(8765); }, 15));
    }

    std::filesystem::path eng() const { return home.path() / "Library/Application Support/VORL Vorudi"; }
    std::filesystem::path log() const { return home.path() / "Library/Logs/VORL Vorudi – motor.log"; }
    std::string logText() const { return fake::readFile(log()); }

    // Launches the stand-in with the switches given, its output into log() within limit.
    Process& launchStandIn(Environment switches, std::uint64_t limit = engineLogLimit) {
        std::filesystem::create_directories(log().parent_path());
        LaunchRequest request;
        request.executable = eng() / "_AI-analyse/venv/bin/python";
        request.arguments = {(eng() / "_AI-analyse/server.py").string(), "--port", "8765"};
        request.currentDirectory = eng();
        switches["PATH"] = "/usr/bin:/bin";
        switches["HOME"] = home.path().string();
        request.environment = switches;
        request.output = OutputLog{log(), limit, logHeaderLine(time.now())};
        size_t launched = engines.size();
        launcher->launch(std::move(request), [this](ProcessLauncher::Outcome outcome) {
            EXPECT_TRUE(outcome);
            if (outcome)
                engines.push_back(std::move(*outcome));
        });
        EXPECT_TRUE(time.runUntil([&] { return engines.size() > launched; }));
        return *engines.back();
    }

    // The numbered lines of the log and the one before it, oldest first: each follows the one
    // before it, so that none went missing. Returns the last number.
    long expectConsecutiveLines() {
        std::istringstream lines(fake::readFile(log().string() + ".1") + logText());
        long last = -1;
        for (std::string line; std::getline(lines, line);) {
            if (line.size() != 99 || line[9] != ' ')
                continue; // a header, an event, or a line the engine was stopped in the middle of
            long number = std::stol(line.substr(0, 9));
            if (last >= 0) {
                EXPECT_EQ(number, last + 1) << "a line went missing";
            }
            last = number;
        }
        return last;
    }

    fake::TemporaryHome home;
    fake::VirtualTime time;
    std::unique_ptr<ProcessLauncher> launcher = createPosixProcessLauncher(VORL_GUARD, time);
    std::vector<std::unique_ptr<Process>> engines;
};

TEST_F(Launcher, ALoudEngineLeavesTwoFilesWithinTheBoundTheNewestEndingWithItsLastLine) {
    launchStandIn({{"VORL_STANDIN_WRITE_MIB", "40"}});
    ASSERT_TRUE(
        time.runUntil([&] { return logText().find("\"event\": \"written\"") != std::string::npos; }, 60));
    EXPECT_LE(std::filesystem::file_size(log()), 10 * mebibyte);
    EXPECT_LE(std::filesystem::file_size(log().string() + ".1"), 10 * mebibyte);
    EXPECT_GT(std::filesystem::file_size(log().string() + ".1"), 10 * mebibyte - 100) << "filled to the line";
    EXPECT_EQ(expectConsecutiveLines(), 40 * static_cast<long>(mebibyte) / 100 - 1);
    std::string text = logText();
    EXPECT_EQ(text.find("{\"event\": \"written\""), text.rfind('{')) << "its last line, last";
    EXPECT_FALSE(std::filesystem::exists(log().string() + ".2"));
}

TEST_F(Launcher, AnApplicationGoneInTheMiddleOfItLosesNoLine) {
    launchStandIn({{"VORL_STANDIN_WRITE_MIB", "40"}}, 4 * mebibyte);
    ASSERT_TRUE(time.runUntil([&] { return std::filesystem::exists(log().string() + ".1"); }, 60));
    engines.clear(); // as after a crash: the guard ends the group and writes what it left
    ASSERT_TRUE(time.runUntil([] { return !testing::portAnswers(8765); }, 15));
    std::uintmax_t settled = 0;
    ASSERT_TRUE(time.runUntil(
        [&] {
            std::uintmax_t size = std::filesystem::file_size(log());
            return std::exchange(settled, size) == size;
        },
        5));
    EXPECT_LE(std::filesystem::file_size(log()), 4 * mebibyte);
    EXPECT_GT(expectConsecutiveLines(), 0);
}

TEST_F(Launcher, TwoLaunchesWriteOneLogWithoutOverwritingEachOther) {
    launchStandIn({});
    ASSERT_TRUE(
        time.runUntil([&] { return logText().find("\"event\": \"listening\"") != std::string::npos; }));
    launchStandIn({}); // it cannot listen where the first does
    ASSERT_TRUE(time.runUntil([&] { return logText().find("listen-failed") != std::string::npos; }));
    std::string text = logText();
    EXPECT_EQ(text.find("=== start"), 0u);
    EXPECT_NE(text.find("=== start", 1), std::string::npos);
    EXPECT_NE(text.find("\"event\": \"listening\""), std::string::npos) << "the first engine's lines survive";
}

// Whether a child of this process has ended and waits to be reaped.
bool zombieChildLeft() {
    siginfo_t info{};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

TEST_F(Launcher, EngineThatEndedIsReapedOnceLetGoAndOneWhoseExecFailedAtOnce) {
    for (int relaunch = 0; relaunch < 3; ++relaunch) {
        LaunchRequest request;
        request.executable = "/bin/sh";
        request.arguments = {"-c", "exit 3"};
        request.currentDirectory = home.path();
        std::unique_ptr<Process> engine;
        launcher->launch(std::move(request),
                         [&](ProcessLauncher::Outcome outcome) { engine = std::move(*outcome); });
        ASSERT_TRUE(time.runUntil([&] { return engine != nullptr; }));
        std::optional<ProcessEnding> ending;
        engine->setTerminationHandler([&](ProcessEnding ended) { ending = ended; });
        ASSERT_TRUE(time.runUntil([&] { return ending.has_value(); }));
        EXPECT_EQ(ending->status, 3);
        EXPECT_TRUE(zombieChildLeft()) << "reaped while its guard may still signal its group";
        engine.reset(); // let go, as the application does with a stopped engine
        EXPECT_TRUE(time.runUntil([] { return !zombieChildLeft(); }, 5)) << "relaunch " << relaunch;
    }

    LaunchRequest unstartable;
    unstartable.executable = home.path() / "ikke et program";
    unstartable.currentDirectory = home.path();
    std::optional<ProcessLauncher::Outcome> outcome;
    launcher->launch(std::move(unstartable),
                     [&](ProcessLauncher::Outcome result) { outcome = std::move(result); });
    ASSERT_TRUE(time.runUntil([&] { return outcome.has_value(); }));
    ASSERT_FALSE(*outcome);
    EXPECT_EQ(outcome->failure().reason, LaunchFailure::Reason::notStarted);
    EXPECT_FALSE(zombieChildLeft());
}

// The guard process that writes log: the one with that file open.
std::optional<pid_t> guardWriting(const std::filesystem::path& log) {
    std::error_code error;
    for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
        for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", error))
            if (std::filesystem::read_symlink(fd.path(), error) == log)
                return std::stoi(process.path().filename().string());
    }
    return std::nullopt;
}

TEST_F(Launcher, AnEngineWhoseGuardHasDiedIsEndedOnceLetGoWithTermThenKill) {
    std::filesystem::create_directories(log().parent_path());
    const std::filesystem::path signals = home.path() / "signals";
    LaunchRequest request;
    request.executable = "/bin/sh";
    // It writes nothing where its guard was: a write there would end it.
    request.arguments = {"-c",
                         "exec >/dev/null 2>&1; trap 'echo term >> \"$0\"' TERM; echo $$ > \"$0.pid\"; "
                         "while :; do sleep 0.05; done",
                         signals.string()};
    request.currentDirectory = home.path();
    request.output = OutputLog{log(), engineLogLimit, "header\n"};
    launcher->launch(std::move(request),
                     [this](ProcessLauncher::Outcome outcome) { engines.push_back(std::move(*outcome)); });
    ASSERT_TRUE(time.runUntil(
        [&] { return !engines.empty() && std::filesystem::exists(signals.string() + ".pid"); }));
    std::optional<pid_t> guard = guardWriting(log());
    ASSERT_TRUE(guard);
    ASSERT_EQ(::kill(*guard, SIGKILL), 0);
    pid_t engine = std::stoi(fake::readFile(signals.string() + ".pid"));

    engines.clear(); // let go
    ASSERT_TRUE(time.runUntil([&] { return fake::readFile(signals).find("term") != std::string::npos; }, 10));
    EXPECT_EQ(::kill(engine, 0), 0) << "SIGKILL only after the grace period";
    EXPECT_TRUE(time.runUntil([&] { return ::kill(engine, 0) != 0; }, 20)) << "killed and reaped";
}

// The application, as a process of its own, starts a launch that a seam holds between the
// engine's spawn and its guard's answer; there it is killed.
TEST(KilledLaunch, AnApplicationKilledBeforeTheGuardHasTheGroupLeavesNoEngineAndNoGroup) {
    fake::TemporaryHome home;
    std::filesystem::path ran = home.path() / "the engine ran";
    int spawned[2];
    ASSERT_EQ(::pipe(spawned), 0);
    pid_t application = ::fork();
    if (application == 0) {
        fake::VirtualTime queue;
        auto launcher = createPosixProcessLauncher(VORL_GUARD, queue, [&](pid_t engine) {
            [[maybe_unused]] ssize_t written = ::write(spawned[1], &engine, sizeof engine);
            ::pause();
        });
        LaunchRequest request;
        request.executable = "/bin/sh";
        request.arguments = {"-c", "touch '" + ran.string() + "'; exec sleep 30"};
        request.currentDirectory = home.path();
        launcher->launch(std::move(request), [](ProcessLauncher::Outcome) {});
        ::pause();
        ::_exit(0);
    }
    // Orphans come to this process, which reaps them: a zombie would still name the group.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    pid_t engine = 0;
    ASSERT_EQ(::read(spawned[0], &engine, sizeof engine), static_cast<ssize_t>(sizeof engine));
    ::kill(application, SIGKILL);
    ::waitpid(application, nullptr, 0);
    fake::VirtualTime time;
    EXPECT_TRUE(time.runUntil(
        [&] {
            while (::waitpid(-1, nullptr, WNOHANG) > 0) {
            }
            return ::kill(-engine, 0) != 0 && errno == ESRCH;
        },
        5))
        << "the engine's group is still there";
    EXPECT_FALSE(std::filesystem::exists(ran)) << "the engine ran a first instruction";
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    ::close(spawned[0]);
    ::close(spawned[1]);
}

} // namespace
} // namespace vorl
