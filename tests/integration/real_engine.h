#pragma once

// The application on the fake platform with the real HTTP session and launcher, launching the
// stand-in engine in a temporary home; and the stand-in run by another user.

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

namespace vorl::testing {

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

inline std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            quoted.push_back('\\');
        quoted.push_back(c);
    }
    return quoted + "\"";
}

} // namespace vorl::testing
