// The view's navigations, loads, downloads and page process, as delegate calls.

#include "gtk_web_view.h"
#include "load_failure.h"
#include "platform/startup_trace.h"

namespace vorl {
namespace {

// Navigation and response policies share their three answers.
template <class Policy> void apply(WebKitPolicyDecision* decision, Policy policy) {
    switch (policy) {
    case Policy::cancel:
        return webkit_policy_decision_ignore(decision);
    case Policy::allow:
        return webkit_policy_decision_use(decision);
    case Policy::download:
        return webkit_policy_decision_download(decision);
    }
}

} // namespace

gboolean GtkWebView::onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                    WebKitPolicyDecisionType type, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    if (!webView->navigationDelegate)
        return FALSE;
    switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION: {
        // A link with a target of its own is judged like any other; when allowed, WebKit then
        // asks for the new window.
        auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
        webView->navigationDelegate->decidePolicyForNavigationAction(
            navigationActionOf(webkit_navigation_policy_decision_get_navigation_action(navigation)),
            [decision](NavigationActionPolicy policy) { apply(decision, policy); });
        return TRUE;
    }
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE: {
        auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
        NavigationResponse navigationResponse{
            webkit_response_policy_decision_is_mime_type_supported(response) != FALSE};
        webView->navigationDelegate->decidePolicyForNavigationResponse(
            navigationResponse, [decision](NavigationResponsePolicy policy) { apply(decision, policy); });
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void GtkWebView::onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    if (event == WEBKIT_LOAD_COMMITTED) {
        const char* uri = webkit_web_view_get_uri(view);
        webView->shown = ShownDocument{webView->shown.number + 1, uri ? Url::parse(uri) : std::nullopt};
        traceStartupPhase(std::string("committed ") + (uri ? uri : ""));
        if (std::exchange(webView->developerExtrasPending, false))
            webkit_settings_set_enable_developer_extras(webkit_web_view_get_settings(view), TRUE);
    }
    if (event == WEBKIT_LOAD_COMMITTED || event == WEBKIT_LOAD_FINISHED)
        webView->stopPageRequestTimer();
}

gboolean GtkWebView::onLoadFailed(WebKitWebView*, WebKitLoadEvent event, const char*, GError* error,
                                  gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    if (event != WEBKIT_LOAD_STARTED || !webView->navigationDelegate)
        return FALSE;
    webView->stopPageRequestTimer();
    webView->navigationDelegate->didFailProvisionalNavigation(
        navigationFailureOf(error, webView->pageRequestTimedOut));
    return TRUE; // no error page: the view stays as it was, or shows what the delegate loads
}

void GtkWebView::onDownloadStarted(WebKitNetworkSession*, WebKitDownload* download, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    if (webkit_download_get_web_view(download) != webView->view.get() || !webView->navigationDelegate)
        return;
    auto tracked = std::make_unique<GtkDownload>(download, [webView, download](GtkDownload&) {
        // Dropped once the signal that ended it has returned.
        g_idle_add_once([](gpointer data) { delete static_cast<GtkDownload*>(data); },
                        webView->downloads.extract(download).mapped().release());
    });
    GtkDownload& handle = *tracked;
    webView->downloads.emplace(download, std::move(tracked));
    webView->navigationDelegate->navigationDidBecomeDownload(handle);
}

void GtkWebView::onWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                        gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    // An end the application asked for is none of the delegate's business.
    if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API || !webView->contentProcessDelegate ||
        webView->destroyed)
        return;
    webView->stopPageRequestTimer();
    webView->contentProcessDelegate->webContentProcessDidTerminate(
        reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? WebContentProcessTermination::exceededMemoryLimit
                                                           : WebContentProcessTermination::crashed);
}

void GtkWebView::onResponsivenessChanged(WebKitWebView* view, GParamSpec*, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    if (!webView->contentProcessDelegate || webView->destroyed)
        return;
    if (webkit_web_view_get_is_web_process_responsive(view))
        webView->contentProcessDelegate->webContentProcessDidBecomeResponsive();
    else
        webView->contentProcessDelegate->webContentProcessDidBecomeUnresponsive();
}

} // namespace vorl
