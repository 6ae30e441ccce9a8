#include "proxy_rules.h"

#include <algorithm>
#include <array>
#include <sstream>

namespace vorl {
namespace {

constexpr std::array loopbackHosts = {"localhost", "127.0.0.0/8", "::1"};
constexpr const char* direct = "direct://";

// The lower-case name wins, as curl and libproxy have it.
std::string variable(const Environment& environment, const char* lower, const char* upper) {
    for (const char* name : {lower, upper}) {
        auto found = environment.find(name);
        if (found != environment.end() && !found->second.empty())
            return found->second;
    }
    return {};
}

// "proxy:3128" means an HTTP proxy, as every tool that reads these variables takes it.
std::string proxyUri(const std::string& value) {
    return value.find("://") == std::string::npos ? "http://" + value : value;
}

std::vector<std::string> noProxyEntries(const Environment& environment) {
    std::string list = variable(environment, "no_proxy", "NO_PROXY");
    std::replace(list.begin(), list.end(), ',', ' ');
    std::istringstream words(list);
    std::vector<std::string> entries;
    for (std::string entry; words >> entry;)
        entries.push_back(entry);
    return entries;
}

const Url outsideHttp = *Url::parse("http://example.com/");
const Url outsideHttps = *Url::parse("https://example.com/");

// The first proxy the resolver answers for url, or nothing where it goes direct.
std::string firstProxy(const SystemProxyLookup& systemProxies, const Url& url) {
    std::vector<std::string> answer = systemProxies(url);
    return answer.empty() || answer.front() == direct ? std::string() : answer.front();
}

} // namespace

bool needsSystemProxies(const Environment& environment) {
    std::vector<std::string> noProxy = noProxyEntries(environment);
    if (std::find(noProxy.begin(), noProxy.end(), "*") != noProxy.end())
        return false;
    for (auto [lower, upper] : {std::pair{"http_proxy", "HTTP_PROXY"},
                                std::pair{"https_proxy", "HTTPS_PROXY"}, std::pair{"all_proxy", "ALL_PROXY"}})
        if (!variable(environment, lower, upper).empty())
            return false;
    return true;
}

std::vector<Url> systemProxyQuestions(const Url& engine) {
    return {engine, outsideHttp, outsideHttps};
}

std::optional<ProxySettings> proxySettingsBypassingLoopback(const Environment& environment, const Url& engine,
                                                            const SystemProxyLookup& systemProxies) {
    ProxySettings settings;
    std::vector<std::string> noProxy = noProxyEntries(environment);
    if (std::find(noProxy.begin(), noProxy.end(), "*") != noProxy.end())
        return std::nullopt; // nothing goes through a proxy
    if (std::string http = variable(environment, "http_proxy", "HTTP_PROXY"); !http.empty())
        settings.schemeProxies.emplace_back("http", proxyUri(http));
    if (std::string https = variable(environment, "https_proxy", "HTTPS_PROXY"); !https.empty())
        settings.schemeProxies.emplace_back("https", proxyUri(https));
    if (std::string all = variable(environment, "all_proxy", "ALL_PROXY"); !all.empty())
        settings.defaultProxy = proxyUri(all);
    if (!settings.defaultProxy.empty() || !settings.schemeProxies.empty()) {
        settings.ignoreHosts = noProxy;
    } else {
        if (firstProxy(systemProxies, engine).empty())
            return std::nullopt;
        // The desktop's settings proxy the engine; outside addresses keep the proxy they name.
        for (const auto& [scheme, outside] :
             {std::pair{"http", outsideHttp}, std::pair{"https", outsideHttps}}) {
            std::string proxy = firstProxy(systemProxies, outside);
            if (!proxy.empty())
                settings.schemeProxies.emplace_back(scheme, proxy);
        }
    }
    settings.ignoreHosts.insert(settings.ignoreHosts.end(), loopbackHosts.begin(), loopbackHosts.end());
    return settings;
}

} // namespace vorl
