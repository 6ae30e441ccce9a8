#include "engine/engine_decisions.h"
#include "fake/app_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vorl {
namespace {

TEST(StatusBody, OnlyAQuotedLowerCaseOkInValidUtf8IsHealthy) {
    const std::pair<std::optional<std::string>, bool> cases[] = {
        {R"({"status": "ok"})", true},
        {R"(["ok"])", true},
        {"ok", false},
        {R"({"status": "OK"})", false},
        {"", false},
        {std::nullopt, false},
        {"\"ok\" \xC3\x28", false},           // invalid UTF-8 around the marker
        {"\"ok\" \xED\xA0\x80", false},       // an encoded surrogate
        {"\"ok\" \xC0\xAF", false},           // an overlong encoding
        {"status \xE2\x80\x93 \"ok\"", true}, // valid multi-byte text
        {std::string("\"ok\"\0tail", 9), true},
    };
    for (const auto& [body, healthy] : cases) {
        Result<std::string> received = body ? Result<std::string>(*body) : Failure{"Connection refused"};
        EXPECT_EQ(isHealthyStatusBody(received), healthy) << (body ? *body : "<no body>");
    }
}

TEST(PollDecision, HealthyWinsThenEndedProcessThenTimeLimit) {
    EXPECT_EQ(decidePoll(true, false, 100), PollOutcome::loadEnginePage);
    EXPECT_EQ(decidePoll(false, false, 100), PollOutcome::engineStopped);
    EXPECT_EQ(decidePoll(false, true, 45.001), PollOutcome::engineSilent);
    EXPECT_EQ(decidePoll(false, std::nullopt, 45.001), PollOutcome::engineSilent);
    EXPECT_EQ(decidePoll(false, true, 45.0), PollOutcome::probeAgain);
    EXPECT_EQ(decidePoll(false, std::nullopt, 1), PollOutcome::probeAgain);
}

TEST(PortListenerDecisions, AnUnseenListenerIsTrustedOnlyAsTheEngineLaunchedHereAndBarsALaunch) {
    const auto otherUser = FallbackReason::portHeldByOtherUser;
    const auto unseen = FallbackReason::portHeldUnseen;
    struct Case {
        PortListener listener;
        bool trustedBesideLaunchedEngine, trustedAlone;
        std::optional<FallbackReason> refusal;
        bool adoptedEngineGone; // the user's own engine, once its page is shown
    };
    const Case cases[] = {
        {PortListener::none, false, false, std::nullopt, true},
        {PortListener::currentUser, true, true, std::nullopt, false},
        {PortListener::otherUser, false, false, otherUser, true},
        {PortListener::unknown, true, false, unseen, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.listener));
        EXPECT_EQ(isTrustedListener(c.listener, true), c.trustedBesideLaunchedEngine);
        EXPECT_EQ(isTrustedListener(c.listener, false), c.trustedAlone);
        EXPECT_EQ(launchRefusal(c.listener), c.refusal);
        EXPECT_EQ(adoptedEngineHasGone(c.listener), c.adoptedEngineGone);
    }
}

TEST(EngineEnvironment, SetsDataAndPrefixesPathWhateverIsInherited) {
    const std::string prefix = "/opt/homebrew/bin:/usr/local/bin:";
    Environment noPath = engineEnvironment({{"LANG", "nb_NO.UTF-8"}}, "/h/VORL Vorudi", std::nullopt);
    EXPECT_EQ(noPath.at("PATH"), prefix + "/usr/bin:/bin:/usr/sbin:/sbin");
    EXPECT_EQ(noPath.at("LANG"), "nb_NO.UTF-8");
    EXPECT_EQ(noPath.size(), 3u);

    EXPECT_EQ(engineEnvironment({{"PATH", ""}}, "/d", std::nullopt).at("PATH"), prefix);
    EXPECT_EQ(engineEnvironment({{"PATH", "/usr/local/bin:/x"}}, "/d", std::nullopt).at("PATH"),
              prefix + "/usr/local/bin:/x");

    Environment inherited = {{"VORL_DATA", "/elsewhere"}, {"SSL_CERT_FILE", "/inherited.pem"}};
    Environment withoutBundle = engineEnvironment(inherited, "/h/VORL Vorudi", std::nullopt);
    EXPECT_EQ(withoutBundle.at("VORL_DATA"), "/h/VORL Vorudi");
    EXPECT_EQ(withoutBundle.at("SSL_CERT_FILE"), "/inherited.pem");
    EXPECT_EQ(withoutBundle.count("REQUESTS_CA_BUNDLE"), 0u);

    Environment withBundle = engineEnvironment(inherited, "/d", "/ca.pem");
    EXPECT_EQ(withBundle.at("SSL_CERT_FILE"), "/ca.pem");
    EXPECT_EQ(withBundle.at("REQUESTS_CA_BUNDLE"), "/ca.pem");
}

TEST(CertifiBundle, FirstListedPython3EntryHoldingTheBundleWins) {
    fake::TemporaryHome home;
    std::filesystem::path ai = home.path() / "ai";
    std::filesystem::path lib = ai / "venv/lib";
    EXPECT_EQ(findCertifiBundle(ai), std::nullopt) << "no venv/lib at all";

    fake::writeFile(lib / "python2.7/site-packages/certifi/cacert.pem", "x");
    fake::writeFile(lib / "Python3.11/site-packages/certifi/cacert.pem", "x");
    fake::writeFile(lib / "python3.10/site-packages/other.txt", "x");
    fake::writeFile(lib / "python3-file", "a plain file qualifies by name only");
    EXPECT_EQ(findCertifiBundle(ai), std::nullopt);

    fake::writeFile(lib / "python3.11/site-packages/certifi/cacert.pem", "x");
    fake::writeFile(lib / "python3.12/site-packages/certifi/cacert.pem", "x");
    std::string firstListed;
    for (const auto& entry : std::filesystem::directory_iterator(lib)) {
        std::string name = entry.path().filename().string();
        if (name == "python3.11" || name == "python3.12") {
            firstListed = name;
            break;
        }
    }
    EXPECT_EQ(findCertifiBundle(ai), (lib / firstListed / "site-packages/certifi/cacert.pem").string());
}

TEST(EngineLog, EachLaunchIsHeadedByItsUtcStartAndBoundedToTenMebibytes) {
    using namespace std::chrono;
    Date date = sys_days{year{2026} / 12 / 8} + hours{1} + minutes{2} + seconds{3} + milliseconds{999};
    OutputLog log = engineOutputLog("/h/motor.log", date);
    EXPECT_EQ(log.file, "/h/motor.log");
    EXPECT_EQ(log.header, "=== start 2026-12-08 01:02:03 +0000 (app) ===\n");
    EXPECT_EQ(log.limit, 10u * 1024 * 1024);
}

TEST(ListenerWait, NoRequestUntilThePortIsListenedOnAndTheLimitsStayAsThePolls) {
    EXPECT_EQ(decideListenerWait(false, 0.05, true), ListenerWait::probe);
    EXPECT_EQ(decideListenerWait(false, 0.05, false), ListenerWait::lookAgain);
    EXPECT_EQ(decideListenerWait(false, 45.0, false), ListenerWait::lookAgain);
    EXPECT_EQ(decideListenerWait(false, 45.001, false), ListenerWait::engineSilent);
    EXPECT_EQ(decideListenerWait(false, 45.001, true), ListenerWait::engineSilent);
    EXPECT_EQ(decideListenerWait(true, 45.001, true), ListenerWait::engineStopped);
}

} // namespace
} // namespace vorl
