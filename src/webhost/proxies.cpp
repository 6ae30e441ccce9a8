// The web view's proxies: decided once, at start, without waiting on the main thread for the
// system's resolver.

#include "app/app_delegate.h"
#include "app/globals.h"
#include "platform/startup_trace.h"
#include "webhost/proxy_rules.h"

#include <mutex>

namespace vorl {

// The resolver's answers, left by its thread and taken by the main thread as soon as it looks:
// usually before the engine's page is requested, so that the page need not wait.
struct AppDelegate::ProxyLookup {
    std::mutex mutex;
    std::optional<Platform::ProxyAnswers> answers; // guarded by mutex
};

void AppDelegate::decideProxies() {
    Environment environment = platform.environment();
    if (!needsSystemProxies(environment))
        return proxiesDecided(proxySettingsBypassingLoopback(environment, BASE, {}));
    auto lookup = proxyLookup = std::make_shared<ProxyLookup>();
    MainQueue& mainQueue = platform.mainQueue();
    platform.lookUpSystemProxies(systemProxyQuestions(BASE),
                                 [this, lookup, &mainQueue](Platform::ProxyAnswers answers) {
                                     {
                                         std::lock_guard lock(lookup->mutex);
                                         lookup->answers = std::move(answers);
                                     }
                                     mainQueue.async([this] { takeProxyAnswers(); });
                                 });
}

void AppDelegate::takeProxyAnswers() {
    if (proxiesKnown || !proxyLookup)
        return;
    Platform::ProxyAnswers answers;
    {
        std::lock_guard lock(proxyLookup->mutex);
        if (!proxyLookup->answers)
            return;
        answers = *proxyLookup->answers;
    }
    proxiesDecided(proxySettingsBypassingLoopback(platform.environment(), BASE, [&answers](const Url& url) {
        auto answer = answers.find(url.string());
        return answer != answers.end() ? answer->second : std::vector<std::string>{"direct://"};
    }));
}

void AppDelegate::proxiesDecided(const std::optional<ProxySettings>& settings) {
    traceStartupPhase("proxies decided");
    proxiesKnown = true;
    proxies = settings;
    if (web && proxies)
        web->setProxySettings(*proxies);
    if (std::exchange(enginePageWaiting, false))
        loadEnginePage();
}

} // namespace vorl
