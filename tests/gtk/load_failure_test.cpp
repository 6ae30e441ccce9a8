#include "platform/gtk/load_failure.h"

#include <gio/gio.h>
#include <webkit/webkit.h>

#include <gtest/gtest.h>

namespace vorl {
namespace {

TEST(LoadFailure, UnreachableHostsAreCannotConnectWhatWebKitStoppedIsInterruptedTheRestOther) {
    using enum NavigationFailure;
    struct Case {
        GQuark domain;
        int code;
        bool timedOut;
        NavigationFailure failure;
    };
    const Case cases[] = {
        {G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, false, cannotConnectToHost},
        {G_IO_ERROR, G_IO_ERROR_HOST_UNREACHABLE, false, cannotConnectToHost},
        {G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE, false, cannotConnectToHost},
        {G_IO_ERROR, G_IO_ERROR_NOT_FOUND, false, other},
        {G_IO_ERROR, G_IO_ERROR_TIMED_OUT, false, other},
        {G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, false, other},
        {WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED, false, interrupted},
        {WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED, true, other},
        {WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE, false,
         interrupted},
        {WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT, false, other},
    };
    for (const Case& expected : cases) {
        g_autoptr(GError) error = g_error_new_literal(expected.domain, expected.code, "x");
        EXPECT_EQ(navigationFailureOf(error, expected.timedOut), expected.failure)
            << g_quark_to_string(expected.domain) << " " << expected.code
            << (expected.timedOut ? " timed out" : "");
    }
}

} // namespace
} // namespace vorl
