// Real launches of the stand-in engine in a temporary home, seen from the engine's side.

#include "real_engine.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

using testing::jsonString;
using testing::OtherUsersEngine;
using testing::portAnswers;
using testing::processGone;
using testing::RealEngine;

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

} // namespace
} // namespace vorl
