#pragma once

#include "base/handoff.h"
#include "platform/platform.h"

#include <functional>
#include <memory>
#include <optional>

namespace vorl {

// The proxies the web view takes, so that none stands between it and the engine while other
// hosts keep theirs. Decided once, at start, without waiting on the main thread for the system's
// resolver. Everything runs on the main thread.
class EngineProxies {
public:
    explicit EngineProxies(Platform& platform);
    EngineProxies(const EngineProxies&) = delete;
    EngineProxies& operator=(const EngineProxies&) = delete;

    // Decides from the environment, or asks the system's resolver, whose answers are taken as soon
    // as the main thread looks: usually before the engine's page is requested, so that the page
    // need not wait.
    void decide();
    // The view takes the proxies decided, now or once they are. The view must outlive this.
    void applyTo(WebView& view);
    // then runs once the proxies are decided, at once when they are; a later wait replaces an
    // earlier one.
    void whenDecided(std::function<void()> then);

private:
    void takeAnswers();
    void decided(const std::optional<ProxySettings>& settings);

    Platform& platform;
    std::shared_ptr<Handoff<Platform::ProxyAnswers>> lookup; // shared with the resolver's thread
    WebView* view = nullptr;
    bool known = false;
    std::optional<ProxySettings> proxies; // none: the system's settings reach the engine directly
    std::function<void()> waiting;        // what waits for them
};

} // namespace vorl
