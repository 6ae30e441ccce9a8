#pragma once

#include "platform/url.h"
#include "platform/values.h"
#include "platform/web_view_delegates.h"

#include <optional>
#include <vector>

namespace vorl {

enum class ActionDecision {
    download,
    allow,
    openInBrowser, // hand the URL to the default browser and cancel the navigation
};

// The web view stays on the local engine: downloads stay downloads, the engine's hosts and
// every non-web scheme load, any other http or https address goes to the browser.
ActionDecision decideNavigationAction(const NavigationAction& action);

// A response the web view cannot show becomes a download.
NavigationResponsePolicy decideNavigationResponse(const NavigationResponse& response);

// Whether a failed load means the engine is gone, so that the splash comes back and the
// engine is looked for again: the view was on the engine's address, or nothing could be
// reached. A load that WebKit itself interrupted is no failure of the engine.
bool shouldRecoverFromFailure(const std::optional<Url>& shown, NavigationFailure failure);

enum class ContentProcessOutcome {
    recover, // the splash, then the engine looked for again
    giveUp,  // the built-in page, with the cause
};

// The page's process has died now. deaths holds when it died before, oldest first; this death
// is added, and those older than a minute are dropped. Dying a third time within a minute is
// giving up, which starts the count anew.
ContentProcessOutcome recordContentProcessDeath(std::vector<Date>& deaths, Date now);

} // namespace vorl
