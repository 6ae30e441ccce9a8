#include "navigation_rules.h"

#include "base/recent_times.h"

#include <chrono>

namespace vorl {
namespace {

constexpr auto deathWindow = std::chrono::minutes(1);
constexpr std::size_t deathsBeforeGivingUp = 3;

} // namespace

ActionDecision decideNavigationAction(const NavigationAction& action) {
    if (action.shouldPerformDownload)
        return ActionDecision::download;
    if (!action.url || !action.url->scheme())
        return ActionDecision::allow;
    const std::string& scheme = *action.url->scheme();
    if (scheme != "http" && scheme != "https")
        return ActionDecision::allow;
    const std::optional<std::string>& host = action.url->host();
    if (host == "127.0.0.1" || host == "localhost")
        return ActionDecision::allow;
    return ActionDecision::openInBrowser;
}

NavigationResponsePolicy decideNavigationResponse(const NavigationResponse& response) {
    return response.canShowMIMEType ? NavigationResponsePolicy::allow : NavigationResponsePolicy::download;
}

bool shouldRecoverFromFailure(const std::optional<Url>& shown, NavigationFailure failure) {
    if (failure == NavigationFailure::interrupted)
        return false;
    if (shown && shown->host() == "127.0.0.1")
        return true;
    return failure == NavigationFailure::cannotConnectToHost;
}

ContentProcessOutcome recordContentProcessDeath(std::vector<Date>& deaths, Date now) {
    if (happenedWithin(deaths, now, deathWindow) < deathsBeforeGivingUp)
        return ContentProcessOutcome::recover;
    deaths.clear();
    return ContentProcessOutcome::giveUp;
}

} // namespace vorl
