// The application's own URL schemes: a page's request, its body read whole, handed to the
// scheme's handler, whose answer finishes the request exactly once.

#include "answer_once.h"
#include "gobject_ptr.h"
#include "gtk_web_view.h"

#include <map>
#include <set>

namespace vorl {
namespace {

// The handlers of each view's schemes. A scheme is registered with WebKit once, for every view
// of the process; a request of a view that has gone, or that has no handler for it, fails.
std::map<WebKitWebView*, std::map<std::string, UrlSchemeHandler*>>& schemeHandlers() {
    static std::map<WebKitWebView*, std::map<std::string, UrlSchemeHandler*>> handlers;
    return handlers;
}

void fail(WebKitURISchemeRequest* request) {
    g_autoptr(GError) error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_FAILED, "");
    webkit_uri_scheme_request_finish_error(request, error);
}

// Finishes the request once: with the response, or failed when there is none or the answer is
// dropped.
std::function<void(std::optional<UrlSchemeResponse>)> answeringRequest(WebKitURISchemeRequest* pending) {
    return answeredOnce<std::optional<UrlSchemeResponse>>(
        [request =
             WEBKIT_URI_SCHEME_REQUEST(g_object_ref(pending))](std::optional<UrlSchemeResponse> response) {
            g_autoptr(WebKitURISchemeRequest) answered = request;
            if (!response)
                return fail(answered);
            auto* body = new std::string(std::move(response->body));
            g_autoptr(GBytes) bytes = g_bytes_new_with_free_func(
                body->data(), body->size(), [](gpointer data) { delete static_cast<std::string*>(data); },
                body);
            g_autoptr(GInputStream) stream = g_memory_input_stream_new_from_bytes(bytes);
            g_autoptr(WebKitURISchemeResponse) answer =
                webkit_uri_scheme_response_new(stream, static_cast<gint64>(g_bytes_get_size(bytes)));
            webkit_uri_scheme_response_set_content_type(answer, response->mimeType.c_str());
            // The page's origin is any: the scheme is the application's, not a site's.
            SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
            soup_message_headers_append(headers, "Access-Control-Allow-Origin", "*");
            webkit_uri_scheme_response_set_http_headers(answer, headers);
            webkit_uri_scheme_request_finish_with_response(answered, answer);
        },
        std::nullopt);
}

// A request on its way to its handler while its body is read.
struct SchemeRequest {
    GObjectPtr<WebKitURISchemeRequest> request;
    GObjectPtr<GOutputStream> body = GObjectPtr<GOutputStream>::adopt(g_memory_output_stream_new_resizable());
};

void handToHandler(WebKitURISchemeRequest* request, std::string body) {
    WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
    UrlSchemeHandler* handler = nullptr;
    if (auto handlers = schemeHandlers().find(view); handlers != schemeHandlers().end()) {
        auto found = handlers->second.find(webkit_uri_scheme_request_get_scheme(request));
        handler = found != handlers->second.end() ? found->second : nullptr;
    }
    std::optional<Url> url = Url::parse(webkit_uri_scheme_request_get_uri(request));
    if (!handler || !url)
        return fail(request);
    const char* shown = webkit_web_view_get_uri(view);
    UrlSchemeTask task{*url, webkit_uri_scheme_request_get_http_method(request), std::move(body),
                       shown ? Url::parse(shown) : std::nullopt};
    handler->startUrlSchemeTask(task, answeringRequest(request));
}

void onBodyRead(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<SchemeRequest> pending(static_cast<SchemeRequest*>(data));
    if (g_output_stream_splice_finish(G_OUTPUT_STREAM(source), result, nullptr) < 0)
        return fail(pending->request.get());
    auto* memory = G_MEMORY_OUTPUT_STREAM(pending->body.get());
    std::string body(static_cast<const char*>(g_memory_output_stream_get_data(memory)),
                     g_memory_output_stream_get_data_size(memory));
    handToHandler(pending->request.get(), std::move(body));
}

void onSchemeRequest(WebKitURISchemeRequest* request, gpointer) {
    g_autoptr(GInputStream) body = webkit_uri_scheme_request_get_http_body(request);
    if (!body)
        return handToHandler(request, {});
    auto* pending = new SchemeRequest{GObjectPtr<WebKitURISchemeRequest>::retain(request)};
    g_output_stream_splice_async(pending->body.get(), body,
                                 static_cast<GOutputStreamSpliceFlags>(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE |
                                                                       G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
                                 G_PRIORITY_DEFAULT, nullptr, onBodyRead, pending);
}

} // namespace

void GtkWebView::addUrlSchemeHandlers(const WebViewConfiguration& configuration) {
    static std::set<std::string> registered;
    WebKitWebContext* context = webkit_web_view_get_context(view.get());
    for (const auto& [scheme, handler] : configuration.urlSchemeHandlers) {
        schemeHandlers()[view.get()][scheme] = handler;
        if (!registered.insert(scheme).second)
            continue;
        webkit_web_context_register_uri_scheme(context, scheme.c_str(), onSchemeRequest, nullptr, nullptr);
        WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
        webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme.c_str());
        webkit_security_manager_register_uri_scheme_as_secure(security, scheme.c_str());
    }
}

void GtkWebView::removeUrlSchemeHandlers() {
    schemeHandlers().erase(view.get());
}

void GtkWebView::addUserScripts(const WebViewConfiguration& configuration) {
    for (const UserScript& script : configuration.userScripts) {
        std::vector<const char*> allowList;
        for (const std::string& pattern : script.allowList)
            allowList.push_back(pattern.c_str());
        allowList.push_back(nullptr);
        g_autoptr(WebKitUserScript) added =
            webkit_user_script_new(script.source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, allowList.data(), nullptr);
        webkit_user_content_manager_add_script(contentManager.get(), added);
    }
}

} // namespace vorl
