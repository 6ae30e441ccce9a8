// What the engine's supervisor has the window show, on fakes of the window's own.

#include "base/product.h"
#include "engine/engine_pages.h"
#include "fake/app_fixture.h"
#include "fake/fake_main_window.h"

#include "engine_warnings.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

using testing::notInstalled;
using testing::silent;

class Pages : public ::testing::Test {
protected:
    fake::FakeWindow& window() { return *shown.window; }
    fake::FakeWebView& web() { return *shown.web; }

    fake::TemporaryHome home;
    fake::FakePlatform platform{home.path()};
    const Places places = placesBelow(home.path());
    fake::FakeMainWindow shown;
    EngineProxies proxies{platform};
    EnginePages pages{shown.mainWindow, platform.app, platform.desktop, proxies, places};
};

TEST_F(Pages, EachFallbackShowsItsOwnWarning) {
    pages.showBuiltInPage(EngineWarning{FallbackReason::notInstalled});
    pages.showBuiltInPage(EngineWarning{FallbackReason::silent});
    std::vector<std::string> texts;
    for (const Alert& alert : window().alerts())
        texts.push_back(alert.informativeText);
    EXPECT_EQ(texts, (std::vector<std::string>{notInstalled, silent}));
    EXPECT_TRUE(web().loads.empty()) << "no built-in page: what was shown stays";
    window().finishAlert(0);
    EXPECT_EQ(std::get<fake::AlertSheet>(window().shown.value()).alert.informativeText, silent)
        << "the second waited for the first";
}

TEST_F(Pages, TheEnginesPageWaitsForASlowProxyResolverAndGoesAroundTheProxyItNames) {
    platform.holdProxyAnswers = true;
    platform.systemProxyAnswers["http://127.0.0.1:8765/"] = {"http://desk:8080"};
    proxies.decide();
    proxies.applyTo(web());
    pages.showEnginePage();
    EXPECT_TRUE(web().loads.empty()) << "not through the desktop's proxy";
    platform.releaseProxyAnswers();
    platform.time.runUntilIdle();
    ASSERT_EQ(web().loads.size(), 1u);
    EXPECT_EQ(web().loads[0].target, "http://127.0.0.1:8765/");
    EXPECT_DOUBLE_EQ(web().loads[0].timeout, 60.0);
    EXPECT_LT(shown.log.indexOf("web.setProxySettings"), shown.log.indexOf("web.loadRequest"));
    ASSERT_TRUE(web().proxy);
    EXPECT_EQ(web().proxy->ignoreHosts, (std::vector<std::string>{"localhost", "127.0.0.0/8", "::1"}));
}

TEST_F(Pages, AProxyTheEnvironmentNamesNeedsNoAnswerOfTheResolver) {
    platform.processEnvironment["http_proxy"] = "proxy:3128";
    proxies.decide();
    EXPECT_TRUE(platform.proxyLookups.empty());
}

} // namespace
} // namespace vorl
