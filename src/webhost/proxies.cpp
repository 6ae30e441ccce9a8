// The web view's proxies: decided once, at start, without waiting on the main thread for the
// system's resolver.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "platform/startup_trace.h"
#include "webhost/proxy_rules.h"

namespace vorl {

void AppDelegate::decideProxies() {
    Environment environment = platform.environment();
    if (!needsSystemProxies(environment))
        return proxiesDecided(proxySettingsBypassingLoopback(environment, BASE, {}));
    // The answers are taken as soon as the main thread looks: usually before the engine's page
    // is requested, so that the page need not wait.
    auto lookup = proxyLookup = std::make_shared<Handoff<Platform::ProxyAnswers>>();
    MainQueue& mainQueue = platform.mainQueue();
    platform.lookUpSystemProxies(systemProxyQuestions(BASE),
                                 [this, lookup, &mainQueue](Platform::ProxyAnswers answers) {
                                     lookup->leave(std::move(answers));
                                     mainQueue.async([this] { takeProxyAnswers(); });
                                 });
}

void AppDelegate::takeProxyAnswers() {
    if (proxiesKnown || !proxyLookup)
        return;
    std::optional<Platform::ProxyAnswers> answers = proxyLookup->look();
    if (!answers)
        return;
    proxiesDecided(proxySettingsBypassingLoopback(platform.environment(), BASE, [&answers](const Url& url) {
        auto answer = answers->find(url.string());
        return answer != answers->end() ? answer->second : std::vector<std::string>{"direct://"};
    }));
}

void AppDelegate::proxiesDecided(const std::optional<ProxySettings>& settings) {
    traceStartupPhase("proxies decided");
    proxiesKnown = true;
    proxies = settings;
    if (web && proxies)
        web->setProxySettings(*proxies);
    if (std::exchange(enginePageWaiting, false))
        showEnginePage();
}

} // namespace vorl
