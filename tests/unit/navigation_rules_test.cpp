#include "engine/proxy_rules.h"
#include "webhost/navigation_rules.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vorl {
namespace {

NavigationAction link(const char* url, bool download = false) {
    return NavigationAction{download, Url::parse(url)};
}

TEST(NavigationRules, OnlyOutsideWebAddressesLeaveForTheBrowser) {
    using enum ActionDecision;
    const std::pair<NavigationAction, ActionDecision> cases[] = {
        {link("https://example.org/"), openInBrowser},
        {link("http://example.org:8765/"), openInBrowser},
        {link("http://127.0.0.1:9000/other"), allow},
        {link("http://127.0.0.1:8765/api/status"), allow},
        {link("http://localhost/"), allow},
        {link("https://localhost:8443/x"), allow},
        {link("http://[::1]:8765/"), openInBrowser},
        {link("http://127.0.0.2/"), openInBrowser},
        {link("http:///no-host"), openInBrowser},
        {link("file:///home/a/Auto-Vorudi.html"), allow},
        {link("about:blank"), allow},
        {link("data:text/html,x"), allow},
        {link("blob:http://127.0.0.1:8765/5e1f"), allow},
        {link("mailto:post@example.org"), allow},
        {link("vorl-intern:side"), allow},
        {link("relative/path"), allow},
        {NavigationAction{false, std::nullopt}, allow},
        {link("https://example.org/slices.wav", true), download},
        {NavigationAction{true, std::nullopt}, download},
    };
    for (const auto& [action, decision] : cases)
        EXPECT_EQ(decideNavigationAction(action), decision)
            << (action.url ? action.url->string() : "<no URL>");
}

TEST(NavigationRules, ResponsesTheViewCannotShowBecomeDownloads) {
    EXPECT_EQ(decideNavigationResponse({true}), NavigationResponsePolicy::allow);
    EXPECT_EQ(decideNavigationResponse({false}), NavigationResponsePolicy::download);
}

TEST(RecoveryDecision, TheEnginesAddressOrAnUnreachableHostRecoverUnlessWebKitInterrupted) {
    using enum NavigationFailure;
    const auto engine = Url::parse("http://127.0.0.1:8765/");
    const auto builtIn = Url::parse("file:///h/Auto-Vorudi.html");
    const auto localhost = Url::parse("http://localhost:8765/");
    const auto elsewhere = Url::parse("http://example.org/");
    const std::tuple<std::optional<Url>, NavigationFailure, bool> cases[] = {
        {engine, cannotConnectToHost, true},
        {engine, other, true},
        {engine, interrupted, false},
        {builtIn, cannotConnectToHost, true},
        {builtIn, other, false},
        {localhost, other, false},
        {localhost, cannotConnectToHost, true},
        {elsewhere, other, false},
        {elsewhere, interrupted, false},
        {std::nullopt, cannotConnectToHost, true},
        {std::nullopt, other, false},
    };
    for (const auto& [shown, failure, recovers] : cases)
        EXPECT_EQ(shouldRecoverFromFailure(shown, failure), recovers)
            << (shown ? shown->string() : "<none>") << " " << static_cast<int>(failure);
}

// No proxy stands between the web view and the engine; outside addresses keep the user's.
TEST(LoopbackProxy, TheEngineIsReachedDirectlyWhateverTheEnvironmentOrDesktopSays) {
    const std::vector<std::string> loopback = {"localhost", "127.0.0.0/8", "::1"};
    auto withLoopback = [&](std::vector<std::string> hosts) {
        hosts.insert(hosts.end(), loopback.begin(), loopback.end());
        return hosts;
    };
    using Schemes = std::vector<std::pair<std::string, std::string>>;
    using Answers = std::map<std::string, std::vector<std::string>>;
    const Answers desktopProxy = {{"http://127.0.0.1:8765/", {"http://desk:8080"}},
                                  {"http://example.com/", {"http://desk:8080", "direct://"}},
                                  {"https://example.com/", {"direct://"}}};
    struct Case {
        const char* name;
        Environment environment;
        Answers system;
        std::optional<ProxySettings> expected;
        bool resolverAsked; // it costs time at start: only when the variables name no proxy
    };
    const Case cases[] = {
        {"no proxy anywhere: the system's settings stay", {}, {}, std::nullopt, true},
        {"the variables, lower case winning; a bare host:port is HTTP",
         {{"http_proxy", "proxy:3128"}, {"HTTP_PROXY", "http://other:1"}, {"HTTPS_PROXY", "https://s:443"}},
         {},
         ProxySettings{"", Schemes{{"http", "http://proxy:3128"}, {"https", "https://s:443"}}, loopback},
         false},
        {"all_proxy for every scheme, no_proxy kept",
         {{"ALL_PROXY", "socks5://sock:1080"}, {"no_proxy", "intern.example, .lan  10.0.0.0/8"}},
         {},
         ProxySettings{"socks5://sock:1080", {}, withLoopback({"intern.example", ".lan", "10.0.0.0/8"})},
         false},
        {"empty variables name no proxy", {{"http_proxy", ""}, {"no_proxy", ""}}, {}, std::nullopt, true},
        {"no_proxy=* already sends everything direct",
         {{"http_proxy", "p:1"}, {"NO_PROXY", "*"}},
         {},
         std::nullopt,
         false},
        {"desktop settings that proxy the engine: outside addresses keep their proxy",
         {},
         desktopProxy,
         ProxySettings{"", Schemes{{"http", "http://desk:8080"}}, loopback},
         true},
        {"the variables win over the desktop",
         {{"https_proxy", "https://s:443"}},
         desktopProxy,
         ProxySettings{"", Schemes{{"https", "https://s:443"}}, loopback},
         false},
    };
    for (const Case& test : cases) {
        std::vector<std::string> asked;
        auto lookup = [&](const Url& url) {
            asked.push_back(url.string());
            auto answer = test.system.find(url.string());
            return answer != test.system.end() ? answer->second : std::vector<std::string>{"direct://"};
        };
        std::optional<ProxySettings> settings =
            proxySettingsBypassingLoopback(test.environment, *Url::parse("http://127.0.0.1:8765/"), lookup);
        ASSERT_EQ(settings.has_value(), test.expected.has_value()) << test.name;
        if (settings) {
            EXPECT_EQ(settings->defaultProxy, test.expected->defaultProxy) << test.name;
            EXPECT_EQ(settings->schemeProxies, test.expected->schemeProxies) << test.name;
            EXPECT_EQ(settings->ignoreHosts, test.expected->ignoreHosts) << test.name;
        }
        EXPECT_EQ(!asked.empty(), test.resolverAsked) << test.name;
        EXPECT_EQ(needsSystemProxies(test.environment), test.resolverAsked) << test.name;
        // What is asked is all asked ahead, at once, off the main thread.
        std::vector<std::string> questions;
        for (const Url& url : systemProxyQuestions(*Url::parse("http://127.0.0.1:8765/")))
            questions.push_back(url.string());
        for (const std::string& url : asked)
            EXPECT_NE(std::find(questions.begin(), questions.end(), url), questions.end()) << test.name;
    }
}

} // namespace
} // namespace vorl
