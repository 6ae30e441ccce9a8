#include "load_failure.h"

#include <webkit/webkit.h>

namespace vorl {

NavigationFailure navigationFailureOf(const GError* error, bool timedOut) {
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED))
        return timedOut ? NavigationFailure::other : NavigationFailure::interrupted;
    if (error->domain == WEBKIT_POLICY_ERROR && error->code != WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT)
        return NavigationFailure::interrupted;
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_HOST_UNREACHABLE) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE))
        return NavigationFailure::cannotConnectToHost;
    return NavigationFailure::other;
}

} // namespace vorl
