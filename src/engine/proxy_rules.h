#pragma once

#include "platform/process.h"
#include "platform/url.h"
#include "platform/web_view.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorl {

// What the system's proxy resolver answers for a URL: proxy URIs in the order to try them,
// "direct://" for none.
using SystemProxyLookup = std::function<std::vector<std::string>(const Url& url)>;

// Whether the system's resolver must be asked at all: only when the environment names no proxy.
bool needsSystemProxies(const Environment& environment);

// What the decision below may ask the resolver: the engine's address, and an outside address
// for http and for https.
std::vector<Url> systemProxyQuestions(const Url& engine);

// The web view's proxies, such that nothing on the loopback address goes through one. nullopt
// when the system's own settings already reach the engine directly: they stay untouched. Else
// the proxies of the environment (http_proxy, https_proxy, all_proxy; no_proxy kept), or,
// where only the desktop's settings proxy the engine, what the system resolver answers for an
// outside address, each with the loopback hosts exempted. The resolver is asked only when the
// environment names no proxy.
std::optional<ProxySettings> proxySettingsBypassingLoopback(const Environment& environment, const Url& engine,
                                                            const SystemProxyLookup& systemProxies);

} // namespace vorl
