// The engine's start seen from the application: the window and the first probe, and the launch.

#include "engine/engine_decisions.h"
#include "fake/app_fixture.h"

#include "engine_warnings.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vorl {
namespace {

using fake::AppFixture;

using testing::notInstalled;
using testing::stopped;
const std::string statusUrl = "http://127.0.0.1:8765/api/status";

class StartUp : public AppFixture {};

TEST_F(StartUp, BuildsTheWindowAndRequestsTheSplash) {
    launch();
    const auto& log = platform.log;
    EXPECT_LT(log.indexOf("app.setMainMenu"), log.indexOf("platform.createWebView"));
    EXPECT_LT(log.indexOf("platform.createWebView"), log.indexOf("platform.createWindow"));
    EXPECT_LT(log.indexOf("window.setContentView"), log.indexOf("window.makeKeyAndOrderFront"));
    ASSERT_EQ(web().loads.size(), 1u);
    EXPECT_EQ(web().loads[0].target, SPLASH);

    const WebViewConfiguration& configuration = web().configuration;
    EXPECT_FALSE(configuration.mediaPlaybackRequiresUserAction);
    EXPECT_TRUE(configuration.developerExtrasEnabled);
    ASSERT_EQ(configuration.scriptMessageHandlersWithReply.size(), 2u);
    EXPECT_EQ(configuration.scriptMessageHandlersWithReply[0].name, "vorl");
    EXPECT_EQ(configuration.scriptMessageHandlersWithReply[1].name, "vorlDrops");
    EXPECT_TRUE(web().dialogDelegate && web().navigationDelegate && web().magnificationDelegate &&
                web().fileDragDelegate);
    EXPECT_FALSE(configuration.drawsBackground);
    EXPECT_TRUE(configuration.allowsMagnification);

    EXPECT_EQ(window().title, "VORL Vorudi");
    ASSERT_TRUE(window().frameStore);
    EXPECT_EQ(window().contentView, &web());
    EXPECT_EQ(platform.windowConfiguration->contentSize.width, 1440);
    EXPECT_EQ(platform.windowConfiguration->contentSize.height, 920);
    EXPECT_TRUE(platform.windowConfiguration->darkAppearance);
    EXPECT_EQ(window().minSize->width, 980);
    EXPECT_EQ(window().minSize->height, 640);
    EXPECT_TRUE(app->applicationShouldTerminateAfterLastWindowClosed());
}

TEST_F(StartUp, TheFirstProbeGoesOutFirstAndAnEarlyAnswerIsActedOnOnceTheSplashIsRequested) {
    app->applicationWillFinishLaunching();
    platform.session.answerNext(R"({"status": "ok"})");
    EXPECT_EQ(platform.log.count("platform.createWebView"), 0);
    app->applicationDidFinishLaunching();
    ASSERT_EQ(web().loads.size(), 2u) << "the answer was in: acted on at once";
    EXPECT_EQ(web().loads[0].target, SPLASH);
    EXPECT_EQ(web().loads[1].target, "http://127.0.0.1:8765/");
    time().runUntilIdle();
    EXPECT_EQ(web().loads.size(), 2u) << "and only once";
}

TEST_F(StartUp, AnEarlyAnswerThatFindsNoEngineIsActedOnOnceTheWindowIsUp) {
    installEngine();
    app->applicationWillFinishLaunching();
    platform.session.answerNext(std::nullopt);
    app->applicationDidFinishLaunching();
    EXPECT_TRUE(platform.launcher.launches.empty()) << "the window's construction has the processors first";
    time().runUntilIdle();
    EXPECT_GT(platform.log.indexOf("launcher.launch"), platform.log.indexOf("window.makeKeyAndOrderFront"));
}

TEST_F(StartUp, ProbeAsksForTheStatusWithinPointEightSeconds) {
    launch();
    std::vector<UrlRequest> requests = platform.session.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].url.string(), statusUrl);
    EXPECT_DOUBLE_EQ(requests[0].timeoutInterval, 0.8);
}

TEST_F(StartUp, AHealthyEngineGetsItsPageLoadedAndIsNotLaunched) {
    installEngine();
    launch();
    answerProbe(true);
    ASSERT_EQ(web().loads.size(), 2u);
    EXPECT_EQ(web().loads[1].target, "http://127.0.0.1:8765/");
    EXPECT_DOUBLE_EQ(web().loads[1].timeout, 60.0);
    EXPECT_TRUE(platform.launcher.launches.empty());
}

class Launching : public AppFixture {};

TEST_F(Launching, AnotherUsersEngineOnThePortIsNeitherTrustedNorRacedAgainst) {
    installEngine();
    fake::writeFile(places.ENG / "Auto-Vorudi.html", "<p>innebygd</p>");
    platform.portListener = PortListener::otherUser;
    launch();
    answerProbe(true);
    EXPECT_TRUE(platform.launcher.launches.empty());
    EXPECT_EQ(alertTexts(),
              std::vector<std::string>{"Motoren kunne ikke startes fordi en annen bruker på maskinen "
                                       "bruker port 8765. Appen bruker den innebygde motoren."});
    EXPECT_EQ(web().loads.back().target, Url::fileUrl(places.ENG / "Auto-Vorudi.html").string());
    EXPECT_EQ(platform.log.count("web.loadRequest"), 0) << "its page is never loaded";
}

TEST_F(Launching, WhereTheSystemHidesWhoListensOnlyTheEngineLaunchedHereIsTrusted) {
    installEngine();
    platform.portListener = PortListener::unknown;
    launch();
    answerProbe(true); // somebody answers, and nobody can say who
    EXPECT_TRUE(platform.launcher.launches.empty());
    EXPECT_EQ(alertTexts(),
              std::vector<std::string>{"Motoren kunne ikke startes fordi port 8765 er i bruk, og "
                                       "systemet lar ikke appen se hvem som bruker den. Appen bruker "
                                       "den innebygde motoren."});

    platform.portListener = PortListener::none;
    reconnect();
    answerProbe(false);
    ASSERT_EQ(platform.launcher.launches.size(), 1u);
    EXPECT_EQ(platform.session.pendingCount(), 0u) << "no request while nothing listens";
    platform.portListener = PortListener::unknown; // the launched engine now listens, unseen
    time().advance(listenerLookInterval);
    answerProbe(true);
    EXPECT_EQ(web().loads.back().target, "http://127.0.0.1:8765/");
}

TEST_F(Launching, MissingInstallationFallsBackWithoutLaunchingOrLogging) {
    launch();
    answerProbe(false);
    EXPECT_TRUE(platform.launcher.launches.empty());
    EXPECT_EQ(alertTexts(), std::vector<std::string>{notInstalled});
    EXPECT_EQ(window().alerts()[0].messageText, "VORL Vorudi");
    EXPECT_EQ(window().alerts()[0].style, AlertStyle::warning);
    EXPECT_EQ(window().alerts()[0].buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(std::filesystem::exists(places.LOGFILE.parent_path()));
}

TEST_F(Launching, InterpreterThatIsNotExecutableOrAMissingScriptCountAsNotInstalled) {
    installEngine();
    std::filesystem::permissions(places.AI / "venv/bin/python",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    launch();
    answerProbe(false);
    std::filesystem::permissions(places.AI / "venv/bin/python", std::filesystem::perms::owner_all);
    std::filesystem::remove(places.AI / "server.py");
    reconnect();
    answerProbe(false);
    EXPECT_TRUE(platform.launcher.launches.empty());
    EXPECT_EQ(alertTexts(), (std::vector<std::string>{notInstalled, notInstalled}));
}

TEST_F(Launching, StartsTheInterpreterWithTheScriptPortFolderEnvironmentAndLog) {
    installEngine();
    fake::writeFile(places.AI / "venv/lib/python3.11/site-packages/certifi/cacert.pem", "certificates");
    platform.processEnvironment["VORL_DATA"] = "/somewhere/else";
    launch();
    time().advance(2.5);
    answerProbe(false);

    ASSERT_EQ(platform.launcher.launches.size(), 1u);
    const auto& launched = platform.launcher.launches[0];
    EXPECT_EQ(launched.executable, places.AI / "venv/bin/python");
    EXPECT_EQ(launched.arguments,
              (std::vector<std::string>{(places.AI / "server.py").string(), "--port", "8765"}));
    EXPECT_EQ(launched.currentDirectory, places.ENG);
    EXPECT_EQ(launched.environment.at("VORL_DATA"), places.DATA.string());
    EXPECT_EQ(launched.environment.at("PATH"), "/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin");
    std::string bundle = (places.AI / "venv/lib/python3.11/site-packages/certifi/cacert.pem").string();
    EXPECT_EQ(launched.environment.at("SSL_CERT_FILE"), bundle);
    EXPECT_EQ(launched.environment.at("REQUESTS_CA_BUNDLE"), bundle);
    EXPECT_EQ(launched.environment.at("LANG"), "C.UTF-8");
    ASSERT_TRUE(launched.output);
    EXPECT_EQ(launched.output->file, places.LOGFILE);
    EXPECT_EQ(launched.output->header, "=== start 2026-03-04 05:06:09 +0000 (app) ===\n");
    EXPECT_TRUE(std::filesystem::is_directory(places.LOGFILE.parent_path()));

    EXPECT_EQ(platform.session.pendingCount(), 1u) << "the poll probes at once";
}

TEST_F(Launching, ThePollTimesFromTheLaunchAndWatchesTheProcessLaunched) {
    installEngine();
    launch();
    time().advance(2.5);
    answerProbe(false); // launched 2.5 s after start-up
    while (time().elapsed() < 47) {
        answerProbe(false);
        time().advance(0.3);
    }
    EXPECT_TRUE(window().alerts().empty()) << "45 s count from the launch, not from start-up";
    launchedEngine().end();
    answerProbe(false);
    EXPECT_EQ(alertTexts(), std::vector<std::string>{stopped});
}

TEST_F(Launching, ALaunchThatFailsCarriesTheSystemsReason) {
    installEngine();
    platform.launcher.failWith = LaunchFailure{LaunchFailure::Reason::notStarted, ENOEXEC};
    launch();
    time().advance(1);
    answerProbe(false);
    EXPECT_EQ(alertTexts(), std::vector<std::string>{"Motoren kunne ikke startes (Exec format error). "
                                                     "Appen bruker den innebygde motoren."});
}

} // namespace
} // namespace vorl
