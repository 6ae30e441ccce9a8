#pragma once

#include "platform/web_view_delegates.h"

#include <glib.h>

namespace vorl {

// What a WebKit load error means to the navigation delegate. timedOut says whether the view's
// own page-request timer stopped the load, which WebKit reports as a cancellation.
NavigationFailure navigationFailureOf(const GError* error, bool timedOut);

} // namespace vorl
