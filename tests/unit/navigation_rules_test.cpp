#include "webhost/navigation_rules.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace vorl
