// Real launches of the stand-in engine in a temporary home, seen from the engine's side.

#include "engine/engine_decisions.h"
#include "fake/app_fixture.h"
#include "platform/gtk/soup_url_session.h"
#include "platform/posix/loopback_listener.h"
#include "platform/posix/posix_process.h"
#include "standin_engine.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorl {
namespace {

using testing::portAnswers;
using testing::processGone;

class RealEngine : public fake::AppFixture {
protected:
    RealEngine() {
        platform.realSession = createSoupUrlSession();
        platform.realLauncher = createPosixProcessLauncher(VORL_GUARD, platform.time);
    }
    ~RealEngine() override {
        // Whatever a test left running is stopped, as the application does when it ends, and
        // the port is free again before the next test.
        if (app)
            app->applicationWillTerminate();
        EXPECT_TRUE(time().runUntil([] { return !portAnswers(8765); }, 5));
    }

    void installStandIn() { testing::installStandIn(home.path()); }

    // Launches the application; its first probe finds no engine, so it launches one.
    void launchAndWait(const std::function<bool()>& until, double seconds = 20) {
        launch();
        ASSERT_TRUE(time().runUntil(until, seconds));
    }

    bool showsEnginePage() {
        return !web().loads.empty() && web().loads.back().target == "http://127.0.0.1:8765/";
    }

    // The JSON lines the engine wrote to its log, and the application's header lines.
    std::vector<std::string> logLines() {
        std::vector<std::string> lines;
        std::istringstream log(fake::readFile(places.LOGFILE));
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        return lines;
    }
    bool logHas(const std::string& text) {
        return fake::readFile(places.LOGFILE).find(text) != std::string::npos;
    }

    // Launches an engine with the given stand-in switch, one that outlives the quit request, then
    // ends the application: with its quit, or as after a crash, with no quit request and no
    // signal of its own.
    enum class Ending { quit, crash };
    pid_t launchAndEnd(const std::string& standInSwitch, Ending ending) {
        installStandIn();
        platform.processEnvironment[standInSwitch] = standInSwitch.ends_with("DELAY") ? "5" : "1";
        platform.processEnvironment["VORL_STANDIN_IGNORE_QUIT"] = "1";
        launch();
        EXPECT_TRUE(time().runUntil([&] { return showsEnginePage(); }, 20));
        pid_t engine = loggedPid("start");
        if (ending == Ending::quit)
            app->applicationWillTerminate();
        app.reset();
        return engine;
    }

    // The pid the engine logged with an event, such as its helper's.
    pid_t loggedPid(const std::string& event) {
        return testing::loggedPid(fake::readFile(places.LOGFILE), event);
    }
};

// The stand-in engine run by another user of the machine (nobody), listening on host.
class OtherUsersEngine {
public:
    explicit OtherUsersEngine(const std::string& host) {
        // A copy every user may read: the source folder may sit in root's own home.
        std::string copy = folder.path() / "standin";
        std::string command = "cp -R '" VORL_SOURCE_DIR "/standin' '" + copy + "' && chmod -R a+rX '" +
                              folder.path().string() +
                              "' && exec setpriv --reuid=65534 --regid=65534 --clear-groups "
                              "env VORL_STANDIN_HOST='" +
                              host + "' python3 '" + copy + "/server.py' --port 8765";
        process = ::fork();
        if (process == 0) {
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~OtherUsersEngine() {
        ::kill(process, SIGTERM);
        ::waitpid(process, nullptr, 0);
    }
    OtherUsersEngine(const OtherUsersEngine&) = delete;
    OtherUsersEngine& operator=(const OtherUsersEngine&) = delete;

private:
    fake::TemporaryHome folder;
    pid_t process;
};

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            quoted.push_back('\\');
        quoted.push_back(c);
    }
    return quoted + "\"";
}

TEST_F(RealEngine, SeesItsCommandLineFolderEnvironmentAndLogAsLaunched) {
    installStandIn();
    platform.processEnvironment["VORL_DATA"] = "/inherited";
    launchAndWait([&] { return showsEnginePage(); });

    std::vector<std::string> lines = logLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with("=== start 2026-03-04 05:06:07 +0000 (app) ===")) << lines[0];
    const std::string& start = lines[1];
    std::string script = (places.AI / "server.py").string();
    EXPECT_NE(start.find("\"argv\": [" + jsonString(script) + ", \"--port\", \"8765\"]"), std::string::npos)
        << start;
    EXPECT_NE(start.find("\"cwd\": " + jsonString(places.ENG.string())), std::string::npos) << start;
    EXPECT_NE(start.find("\"VORL_DATA\": " + jsonString(places.DATA.string())), std::string::npos) << start;
    EXPECT_NE(start.find("\"PATH\": \"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin\""), std::string::npos)
        << start;
    if (auto bundle = findCertifiBundle(places.AI)) {
        EXPECT_NE(start.find("\"SSL_CERT_FILE\": " + jsonString(*bundle)), std::string::npos) << start;
    }

    app->applicationWillTerminate();
    EXPECT_TRUE(time().runUntil([&] { return logHas("\"path\": \"/api/quit\""); }, 5));
    EXPECT_TRUE(time().runUntil([&] { return processGone(loggedPid("start")); }, 5));
}

TEST_F(RealEngine, AKilledEngineUnderAnIdlePageIsReplacedWithoutAWord) {
    installStandIn();
    launchAndWait([&] { return showsEnginePage(); });
    pid_t first = loggedPid("start");
    ::kill(first, SIGKILL);
    ASSERT_TRUE(time().runUntil(
        [&] {
            std::string log = fake::readFile(places.LOGFILE);
            return log.find("\"event\": \"listening\"") != log.rfind("\"event\": \"listening\"") &&
                   showsEnginePage();
        },
        20));
    EXPECT_EQ(platform.log.count("web.loadRequest http://127.0.0.1:8765/"), 2);
    EXPECT_TRUE(window().alerts().empty());
    EXPECT_TRUE(processGone(first));
}

TEST_F(RealEngine, ALaunchTheSystemRefusesNamesItsReason) {
    installStandIn();
    std::filesystem::remove(places.AI / "venv/bin/python");
    fake::writeFile(places.AI / "venv/bin/python", "\x7f"
                                                   "ELF garbage");
    std::filesystem::permissions(places.AI / "venv/bin/python", std::filesystem::perms::owner_all);
    launchAndWait([&] { return !window().alerts().empty(); });
    EXPECT_EQ(alertTexts(), std::vector<std::string>{"Motoren kunne ikke startes (Exec format error). "
                                                     "Appen bruker den innebygde motoren."});
}

TEST_F(RealEngine, AnEngineThatExitsAtStartIsReportedAsStopped) {
    installStandIn();
    platform.processEnvironment["VORL_STANDIN_EXIT_AT_START"] = "3";
    launchAndWait([&] { return !window().alerts().empty(); });
    EXPECT_EQ(alertTexts(),
              std::vector<std::string>{"Motoren stoppet under oppstart. Se ~/Library/Logs/VORL "
                                       "Vorudi – motor.log. Appen bruker den innebygde motoren."});
    EXPECT_EQ(web().loads.back().target, Url::fileUrl(places.ENG / "Auto-Vorudi.html").string());
}

TEST_F(RealEngine, AnEngineThatIgnoresTheQuitRequestIsStopped) {
    installStandIn();
    platform.processEnvironment["VORL_STANDIN_IGNORE_QUIT"] = "1";
    launchAndWait([&] { return showsEnginePage(); });
    app->applicationWillTerminate();
    EXPECT_TRUE(time().runUntil([&] { return logHas("\"ignored\": true"); }, 5));
    ASSERT_TRUE(time().runUntil([&] { return processGone(loggedPid("start")); }, 5));
}

TEST_F(RealEngine, AnotherUsersHealthyEngineIsNeverAdoptedWhereverItListens) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "running an engine as another user needs root";
    installStandIn();
    platform.realListener = loopbackListener;
    for (const std::string host : {"127.0.0.1", "::"}) {
        OtherUsersEngine stranger(host);
        ASSERT_TRUE(time().runUntil([] { return portAnswers(8765); }, 10)) << host;
        size_t alerts = alertTexts().size();
        if (!platform.window)
            launch();
        else
            reconnect();
        ASSERT_TRUE(time().runUntil([&] { return alertTexts().size() > alerts; }, 10)) << host;
        EXPECT_EQ(alertTexts().back(),
                  "Motoren kunne ikke startes fordi en annen bruker på maskinen bruker port 8765. "
                  "Appen bruker den innebygde motoren.");
    }
    EXPECT_EQ(platform.log.count("web.loadRequest"), 0) << "its page is never shown";
    EXPECT_FALSE(std::filesystem::exists(places.LOGFILE))
        << "no engine of the user's own was started to fail";
}

TEST_F(RealEngine, QuittingEndsWhatTheEngineStartedEvenAfterTheEngineHasExited) {
    installStandIn();
    platform.processEnvironment["VORL_STANDIN_HELPER"] = "1";
    launchAndWait([&] { return showsEnginePage() && loggedPid("helper"); });
    app->applicationWillTerminate(); // the engine exits on the quit request; its helper would stay
    EXPECT_TRUE(time().runUntil([&] { return logHas("\"event\": \"quit\""); }, 5));
    EXPECT_TRUE(time().runUntil([&] { return processGone(loggedPid("helper")); }, 3));
}

TEST_F(RealEngine, AnAppThatEndsWithoutQuittingTakesTheEnginesWholeGroupWithIt) {
    installStandIn();
    platform.processEnvironment["VORL_STANDIN_HELPER"] = "1";
    launchAndWait([&] { return showsEnginePage() && loggedPid("helper"); });
    pid_t engine = loggedPid("start");
    pid_t helper = loggedPid("helper");
    app.reset(); // gone as after a crash: no quit request, no signal of its own
    EXPECT_TRUE(time().runUntil([&] { return processGone(engine) && processGone(helper); }, 3));
    EXPECT_FALSE(logHas("\"event\": \"quit\""));
}

TEST_F(RealEngine, ACarefulEngineFinishesItsCleanUpAfterAQuit) {
    pid_t engine = launchAndEnd("VORL_STANDIN_EXIT_DELAY", Ending::quit);
    ASSERT_TRUE(time().runUntil([&] { return logHas("cleaned-up"); }, 9));
    EXPECT_TRUE(time().runUntil([&] { return processGone(engine); }, 2));
    EXPECT_EQ(
        fake::readFile(places.LOGFILE).find("sigterm", fake::readFile(places.LOGFILE).find("sigterm") + 1),
        std::string::npos)
        << "one SIGTERM, from the application";
}

TEST_F(RealEngine, ACarefulEngineFinishesItsCleanUpAfterACrash) {
    pid_t engine = launchAndEnd("VORL_STANDIN_EXIT_DELAY", Ending::crash);
    ASSERT_TRUE(time().runUntil([&] { return logHas("cleaned-up"); }, 9));
    EXPECT_TRUE(time().runUntil([&] { return processGone(engine); }, 2));
    EXPECT_FALSE(logHas("\"event\": \"quit\""));
}

TEST_F(RealEngine, AnEngineThatIgnoresSigtermIsKilledWhenTheGracePeriodAfterAQuitEnds) {
    pid_t engine = launchAndEnd("VORL_STANDIN_IGNORE_TERM", Ending::quit);
    ASSERT_TRUE(time().runUntil([&] { return logHas("sigterm"); }, 3));
    EXPECT_FALSE(processGone(engine)) << "killed before its grace period";
    EXPECT_TRUE(time().runUntil([&] { return processGone(engine); }, 11));
}

TEST_F(RealEngine, AnEngineThatIgnoresSigtermIsKilledWhenTheGracePeriodAfterACrashEnds) {
    pid_t engine = launchAndEnd("VORL_STANDIN_IGNORE_TERM", Ending::crash);
    ASSERT_TRUE(time().runUntil([&] { return logHas("sigterm"); }, 3));
    EXPECT_FALSE(processGone(engine)) << "killed before its grace period";
    EXPECT_TRUE(time().runUntil([&] { return processGone(engine); }, 11));
}

TEST_F(RealEngine, AGuardThatCannotBeSetUpFailsTheLaunchAndLeavesNoEngine) {
    installStandIn();
    std::filesystem::path silent = home.path() / "silent-guard", deaf = home.path() / "deaf-guard";
    fake::writeFile(silent, "#!/bin/sh\nexit 0\n");
    fake::writeFile(deaf, "#!/bin/sh\necho ready >&0\n");
    for (const auto& guard : {silent, deaf})
        std::filesystem::permissions(guard, std::filesystem::perms::owner_all);
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {home.path() / "missing", "motorvakten kunne ikke startes: No such file or directory"},
        {silent, "motorvakten svarte ikke"},
        {deaf, "motorvakten fikk ikke motorens prosessgruppe"},
    };
    std::vector<std::string> expected;
    for (const auto& [guard, reason] : cases) {
        platform.realLauncher = createPosixProcessLauncher(guard, platform.time);
        platform.window ? reconnect() : launch();
        expected.push_back("Motoren kunne ikke startes (" + reason +
                           "). Appen bruker den innebygde motoren.");
        ASSERT_TRUE(time().runUntil([&] { return alertTexts().size() == expected.size(); }, 10));
    }
    EXPECT_EQ(alertTexts(), expected);
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "no child left, running or unreaped";
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(RealEngine, AnAppThatInheritedAnIgnoredSigchldStillHoldsAStoppedEnginesGroupId) {
    installStandIn();
    std::signal(SIGCHLD, SIG_IGN); // as a parent that ignores it leaves it across exec
    platform.realLauncher = createPosixProcessLauncher(VORL_GUARD, platform.time);
    platform.processEnvironment["VORL_STANDIN_EXIT_AT_START"] = "3";
    launchAndWait([&] { return !window().alerts().empty(); });
    // Unreaped, the engine's id names no other process, so its group's signals reach nobody else.
    std::ifstream stat("/proc/" + std::to_string(loggedPid("start")) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    ASSERT_NE(text.rfind(") Z"), std::string::npos) << "reaped by the kernel: " << text;
    EXPECT_EQ(alertTexts(),
              std::vector<std::string>{"Motoren stoppet under oppstart. Se ~/Library/Logs/VORL "
                                       "Vorudi – motor.log. Appen bruker den innebygde motoren."});
}

} // namespace
} // namespace vorl
