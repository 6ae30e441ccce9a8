// Real launches of the stand-in engine in a temporary home, seen from the engine's side.

#include "fake/app_fixture.h"
#include "platform/gtk/soup_url_session.h"
#include "platform/posix/loopback_listener.h"
#include "platform/posix/posix_process.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorl {
namespace {

class RealEngine : public fake::AppFixture {
protected:
    RealEngine() {
        platform.realSession = createSoupUrlSession();
        platform.realLauncher = createPosixProcessLauncher();
    }
    ~RealEngine() override {
        // Whatever a test left running is stopped, as the application does when it ends, and
        // the port is free again before the next test.
        if (app)
            app->applicationWillTerminate();
        EXPECT_TRUE(time().runUntil([] { return !portAnswers(8765); }, 5));
    }

    static bool portAnswers(int port) {
        int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bool answers = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(probe);
        return answers;
    }

    void installStandIn() {
        std::string command =
            "bash '" VORL_SOURCE_DIR "/standin/install.sh' '" + home.path().string() + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

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
        std::istringstream log(fake::readFile(LOGFILE));
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        return lines;
    }
    bool logHas(const std::string& text) { return fake::readFile(LOGFILE).find(text) != std::string::npos; }

    // The pid the engine logged with an event, such as its helper's.
    pid_t loggedPid(const std::string& event) {
        std::string log = fake::readFile(LOGFILE);
        size_t line = log.find("\"event\": \"" + event + "\"");
        size_t pid = log.find("\"pid\": ", line);
        return line == std::string::npos || pid == std::string::npos ? 0 : std::stoi(log.substr(pid + 7));
    }

    // Gone, or a zombie that nobody has reaped yet: either way it runs no more.
    static bool processGone(pid_t pid) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        size_t end = text.rfind(')');
        return end == std::string::npos || text.compare(end + 2, 1, "Z") == 0;
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
    std::string script = (AI / "server.py").string();
    EXPECT_NE(start.find("\"argv\": [" + jsonString(script) + ", \"--port\", \"8765\"]"), std::string::npos)
        << start;
    EXPECT_NE(start.find("\"cwd\": " + jsonString(ENG.string())), std::string::npos) << start;
    EXPECT_NE(start.find("\"VORL_DATA\": " + jsonString(DATA.string())), std::string::npos) << start;
    EXPECT_NE(start.find("\"PATH\": \"/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin\""), std::string::npos)
        << start;
    if (auto bundle = app->certifiPath()) {
        EXPECT_NE(start.find("\"SSL_CERT_FILE\": " + jsonString(*bundle)), std::string::npos) << start;
    }

    app->applicationWillTerminate();
    EXPECT_TRUE(logHas("\"path\": \"/api/quit\""));
    EXPECT_TRUE(time().runUntil([&] { return processGone(loggedPid("start")); }, 5));
}

TEST_F(RealEngine, ALaunchTheSystemRefusesNamesItsReason) {
    installStandIn();
    std::filesystem::remove(AI / "venv/bin/python");
    fake::writeFile(AI / "venv/bin/python", "\x7f"
                                            "ELF garbage");
    std::filesystem::permissions(AI / "venv/bin/python", std::filesystem::perms::owner_all);
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
    EXPECT_EQ(web().loads.back().target, Url::fileUrl(ENG / "Auto-Vorudi.html").string());
}

TEST_F(RealEngine, AnEngineThatIgnoresTheQuitRequestIsStopped) {
    installStandIn();
    platform.processEnvironment["VORL_STANDIN_IGNORE_QUIT"] = "1";
    launchAndWait([&] { return showsEnginePage(); });
    app->applicationWillTerminate();
    EXPECT_TRUE(logHas("\"ignored\": true"));
    ASSERT_TRUE(time().runUntil([&] { return processGone(loggedPid("start")); }, 5));
}

TEST_F(RealEngine, TwoEnginesAppendToOneLogWithoutOverwritingEachOther) {
    installStandIn();
    launchAndWait([&] { return showsEnginePage(); });
    size_t before = fake::readFile(LOGFILE).size();
    app->startServer(); // a second engine, which cannot bind the port the first holds
    ASSERT_TRUE(time().runUntil([&] { return logLines().size() > 6 && logHas("listen-failed"); }, 10));
    std::string log = fake::readFile(LOGFILE);
    EXPECT_GT(log.size(), before);
    EXPECT_EQ(log.find("=== start"), 0u);
    EXPECT_NE(log.find("=== start", 1), std::string::npos);
    EXPECT_NE(log.find("\"event\": \"listening\""), std::string::npos) << "the first engine's lines survive";
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
            app->connect();
        ASSERT_TRUE(time().runUntil([&] { return alertTexts().size() > alerts; }, 10)) << host;
        EXPECT_EQ(alertTexts().back(),
                  "Motoren kunne ikke startes fordi en annen bruker på maskinen bruker port 8765. "
                  "Appen bruker den innebygde motoren.");
    }
    EXPECT_EQ(platform.log.count("web.loadRequest"), 0) << "its page is never shown";
    EXPECT_FALSE(std::filesystem::exists(LOGFILE)) << "no engine of the user's own was started to fail";
}

TEST_F(RealEngine, QuittingEndsWhatTheEngineStartedEvenAfterTheEngineHasExited) {
    installStandIn();
    platform.processEnvironment["VORL_STANDIN_HELPER"] = "1";
    launchAndWait([&] { return showsEnginePage() && loggedPid("helper"); });
    app->applicationWillTerminate(); // the engine exits on the quit request; its helper would stay
    EXPECT_TRUE(logHas("\"event\": \"quit\""));
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

} // namespace
} // namespace vorl
