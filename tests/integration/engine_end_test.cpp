// How launched engines end with the application: asked, crashed, careful or stubborn.

#include "real_engine.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

using testing::jsonString;
using testing::OtherUsersEngine;
using testing::portAnswers;
using testing::processGone;
using testing::RealEngine;

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
