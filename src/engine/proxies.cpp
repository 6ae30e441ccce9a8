#include "proxies.h"

#include "base/places.h"
#include "engine/proxy_rules.h"
#include "platform/startup_trace.h"

namespace vorl {

EngineProxies::EngineProxies(Platform& desktop) : platform(desktop) {}

void EngineProxies::decide() {
    Environment environment = platform.environment();
    if (!needsSystemProxies(environment))
        return decided(proxySettingsBypassingLoopback(environment, BASE, {}));
    auto handoff = lookup = std::make_shared<Handoff<Platform::ProxyAnswers>>();
    MainQueue& mainQueue = platform.mainQueue();
    platform.lookUpSystemProxies(systemProxyQuestions(BASE),
                                 [this, handoff, &mainQueue](Platform::ProxyAnswers answers) {
                                     handoff->leave(std::move(answers));
                                     mainQueue.async([this] { takeAnswers(); });
                                 });
}

void EngineProxies::applyTo(WebView& shown) {
    takeAnswers();
    view = &shown;
    if (proxies)
        view->setProxySettings(*proxies);
}

void EngineProxies::whenDecided(std::function<void()> then) {
    takeAnswers();
    if (known)
        return then();
    waiting = std::move(then);
}

void EngineProxies::takeAnswers() {
    if (known || !lookup)
        return;
    std::optional<Platform::ProxyAnswers> answers = lookup->look();
    if (!answers)
        return;
    decided(proxySettingsBypassingLoopback(platform.environment(), BASE, [&answers](const Url& url) {
        auto answer = answers->find(url.string());
        return answer != answers->end() ? answer->second : std::vector<std::string>{"direct://"};
    }));
}

void EngineProxies::decided(const std::optional<ProxySettings>& settings) {
    traceStartupPhase("proxies decided");
    known = true;
    proxies = settings;
    if (view && proxies)
        view->setProxySettings(*proxies);
    if (std::function<void()> then = std::exchange(waiting, nullptr))
        then();
}

} // namespace vorl
