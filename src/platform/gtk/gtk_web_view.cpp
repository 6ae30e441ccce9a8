#include "gtk_web_view.h"

#include "load_failure.h"
#include "platform/startup_trace.h"

#include <cmath>
#include <utility>

namespace vorl {
namespace {

WebKitWebView* newWebView(WebKitUserContentManager* contentManager, bool mediaRequiresUserAction) {
    g_autoptr(WebKitWebsitePolicies) policies = webkit_website_policies_new_with_policies(
        "autoplay", mediaRequiresUserAction ? WEBKIT_AUTOPLAY_ALLOW_WITHOUT_SOUND : WEBKIT_AUTOPLAY_ALLOW,
        nullptr);
    auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", contentManager,
                                              "website-policies", policies, nullptr));
    return view;
}

// The world of the scripts the application runs apart from the page's own.
constexpr const char* applicationScriptWorld = "vorl";

} // namespace

NavigationAction GtkWebView::navigationActionOf(WebKitNavigationAction* action) {
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    return NavigationAction{false, uri ? Url::parse(uri) : std::nullopt};
}

GtkWebView::GtkWebView(const WebViewConfiguration& configuration)
    : contentManager(GObjectPtr<WebKitUserContentManager>::adopt(webkit_user_content_manager_new())) {
    for (const auto& handler : configuration.scriptMessageHandlersWithReply) {
        auto binding = std::make_unique<MessageHandlerBinding>(MessageHandlerBinding{this, handler.handler});
        std::string signal = "script-message-with-reply-received::" + handler.name;
        g_signal_connect(contentManager.get(), signal.c_str(), G_CALLBACK(onScriptMessage), binding.get());
        // A null world is the page's own world.
        webkit_user_content_manager_register_script_message_handler_with_reply(contentManager.get(),
                                                                               handler.name.c_str(), nullptr);
        messageHandlers.push_back(std::move(binding));
    }
    addUserScripts(configuration);
    view = GObjectPtr<WebKitWebView>::retain(
        newWebView(contentManager.get(), configuration.mediaPlaybackRequiresUserAction));
    // Developer extras are switched on once the first page has committed: setting the inspector
    // up costs the start nothing then, and the user can reach it all the same.
    developerExtrasPending = configuration.developerExtrasEnabled;
    GdkRGBA background = configuration.drawsBackground ? GdkRGBA{1, 1, 1, 1} : GdkRGBA{0, 0, 0, 0};
    webkit_web_view_set_background_color(view.get(), &background);
    if (configuration.allowsMagnification)
        addMagnificationGestures();
    addFileDropTarget();
    networkSession = webkit_web_view_get_network_session(view.get());

    g_signal_connect(view.get(), "decide-policy", G_CALLBACK(onDecidePolicy), this);
    g_signal_connect(view.get(), "load-changed", G_CALLBACK(onLoadChanged), this);
    g_signal_connect(view.get(), "load-failed", G_CALLBACK(onLoadFailed), this);
    g_signal_connect(view.get(), "script-dialog", G_CALLBACK(onScriptDialog), this);
    g_signal_connect(view.get(), "run-file-chooser", G_CALLBACK(onRunFileChooser), this);
    g_signal_connect(view.get(), "create", G_CALLBACK(onCreate), this);
    g_signal_connect(view.get(), "web-process-terminated", G_CALLBACK(onWebProcessTerminated), this);
    g_signal_connect(view.get(), "notify::is-web-process-responsive", G_CALLBACK(onResponsivenessChanged),
                     this);
    g_signal_connect(view.get(), "destroy", G_CALLBACK(onDestroy), this);
    g_signal_connect(networkSession, "download-started", G_CALLBACK(onDownloadStarted), this);
}

GtkWebView::~GtkWebView() {
    *alive = false;
    stopPageRequestTimer();
    if (!destroyed)
        letWebKitBackIn();
    g_signal_handlers_disconnect_by_data(fileDropTarget, this);
    g_signal_handlers_disconnect_by_data(networkSession, this);
    g_signal_handlers_disconnect_by_data(view.get(), this);
    for (GtkEventController* gesture : magnificationGestures)
        g_signal_handlers_disconnect_by_data(gesture, this);
    for (auto& binding : messageHandlers)
        g_signal_handlers_disconnect_by_data(contentManager.get(), binding.get());
}

void GtkWebView::setDialogDelegate(DialogDelegate& delegate) {
    dialogDelegate = &delegate;
}

void GtkWebView::setNavigationDelegate(NavigationDelegate& delegate) {
    navigationDelegate = &delegate;
}

void GtkWebView::setMagnificationDelegate(MagnificationDelegate& delegate) {
    magnificationDelegate = &delegate;
}

void GtkWebView::setFileDragDelegate(FileDragDelegate& delegate) {
    fileDragDelegate = &delegate;
}

void GtkWebView::setContentProcessDelegate(ContentProcessDelegate& delegate) {
    contentProcessDelegate = &delegate;
}

void GtkWebView::setProxySettings(const ProxySettings& proxy) {
    std::vector<const char*> ignoreHosts;
    for (const std::string& host : proxy.ignoreHosts)
        ignoreHosts.push_back(host.c_str());
    ignoreHosts.push_back(nullptr);
    WebKitNetworkProxySettings* settings = webkit_network_proxy_settings_new(
        proxy.defaultProxy.empty() ? nullptr : proxy.defaultProxy.c_str(), ignoreHosts.data());
    for (const auto& [scheme, uri] : proxy.schemeProxies)
        webkit_network_proxy_settings_add_proxy_for_scheme(settings, scheme.c_str(), uri.c_str());
    webkit_network_session_set_proxy_settings(networkSession, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings);
    webkit_network_proxy_settings_free(settings);
}

// A pinch scales the zoom it began at; each notch of Ctrl and the wheel scales by 1.1. The
// magnification delegate decides what each leads to.
void GtkWebView::addMagnificationGestures() {
    GtkGesture* pinch = gtk_gesture_zoom_new();
    g_signal_connect(pinch, "begin", G_CALLBACK(+[](GtkGesture*, GdkEventSequence*, gpointer self) {
                         auto* webView = static_cast<GtkWebView*>(self);
                         webView->pinchStartZoom = webView->pageZoom();
                     }),
                     this);
    g_signal_connect(pinch, "scale-changed", G_CALLBACK(onPinch), this);
    GtkEventController* scroll = gtk_event_controller_scroll_new(GTK_EVENT_CONTROLLER_SCROLL_VERTICAL);
    gtk_event_controller_set_propagation_phase(scroll, GTK_PHASE_CAPTURE);
    g_signal_connect(scroll, "scroll", G_CALLBACK(onScroll), this);
    for (GtkEventController* gesture : {GTK_EVENT_CONTROLLER(pinch), scroll}) {
        gtk_widget_add_controller(widget(), gesture); // the widget owns it from here
        magnificationGestures.push_back(gesture);
    }
}

void GtkWebView::onPinch(GtkGestureZoom*, double scale, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    if (webView->magnificationDelegate)
        webView->magnificationDelegate->didRequestPageZoom(webView->pinchStartZoom * scale);
}

gboolean GtkWebView::onScroll(GtkEventControllerScroll* controller, double, double dy, gpointer self) {
    GdkModifierType modifiers =
        gtk_event_controller_get_current_event_state(GTK_EVENT_CONTROLLER(controller));
    auto* webView = static_cast<GtkWebView*>(self);
    if (!(modifiers & GDK_CONTROL_MASK) || !webView->magnificationDelegate)
        return FALSE; // an ordinary scroll belongs to the page
    webView->magnificationDelegate->didRequestPageZoom(webView->pageZoom() * std::pow(1.1, -dy));
    return TRUE;
}

std::optional<Url> GtkWebView::url() const {
    const char* uri = webkit_web_view_get_uri(view.get());
    return uri ? Url::parse(uri) : std::nullopt;
}

void GtkWebView::loadRequest(const UrlRequest& request) {
    if (destroyed)
        return;
    auto uriRequest =
        GObjectPtr<WebKitURIRequest>::adopt(webkit_uri_request_new(request.url.string().c_str()));
    traceStartupPhase("load requested " + request.url.string());
    webkit_web_view_load_request(view.get(), uriRequest.get());
    // WebKitGTK's requests carry no time-out: a timer stops a load that has not begun to show.
    startPageRequestTimer(request.timeoutInterval);
}

void GtkWebView::loadHTMLString(const std::string& html, const std::optional<Url>& baseUrl) {
    if (destroyed)
        return;
    stopPageRequestTimer();
    webkit_web_view_load_html(view.get(), html.c_str(), baseUrl ? baseUrl->string().c_str() : nullptr);
}

void GtkWebView::loadFileURL(const Url& file, const Url&) {
    if (destroyed)
        return;
    stopPageRequestTimer();
    // WebKit's default file access already lets the page load what lies beside it; turning on
    // more would open the whole file system, not just the folder.
    webkit_web_view_load_uri(view.get(), file.string().c_str());
}

void GtkWebView::reload() {
    if (!destroyed)
        webkit_web_view_reload(view.get());
}

void GtkWebView::terminateWebContentProcess() {
    if (!destroyed)
        webkit_web_view_terminate_web_process(view.get());
}

double GtkWebView::pageZoom() const {
    return webkit_web_view_get_zoom_level(view.get());
}

void GtkWebView::setPageZoom(double zoom) {
    if (!destroyed)
        webkit_web_view_set_zoom_level(view.get(), zoom);
}

void GtkWebView::executeEditingCommand(EditingCommand command) {
    static constexpr const char* names[] = {WEBKIT_EDITING_COMMAND_UNDO,  WEBKIT_EDITING_COMMAND_REDO,
                                            WEBKIT_EDITING_COMMAND_CUT,   WEBKIT_EDITING_COMMAND_COPY,
                                            WEBKIT_EDITING_COMMAND_PASTE, WEBKIT_EDITING_COMMAND_SELECT_ALL};
    if (!destroyed)
        webkit_web_view_execute_editing_command(view.get(), names[static_cast<int>(command)]);
}

void GtkWebView::callAsyncJavaScript(const std::string& body, const ScriptArguments& arguments,
                                     ScriptWorld world,
                                     std::function<void(std::optional<std::string>)> completion) {
    if (destroyed)
        return completion(std::nullopt);
    GVariantBuilder parameters;
    g_variant_builder_init(&parameters, G_VARIANT_TYPE_VARDICT);
    for (const auto& [name, value] : arguments) {
        GVariant* variant = std::holds_alternative<double>(value)
                                ? g_variant_new_double(std::get<double>(value))
                                : g_variant_new_string(std::get<std::string>(value).c_str());
        g_variant_builder_add(&parameters, "{sv}", name.c_str(), variant);
    }
    struct Call {
        std::shared_ptr<bool> viewAlive;
        std::function<void(std::optional<std::string>)> completion;
    };
    webkit_web_view_call_async_javascript_function(
        view.get(), body.c_str(), -1, g_variant_builder_end(&parameters),
        world == ScriptWorld::application ? applicationScriptWorld : nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Call> call(static_cast<Call*>(data));
            g_autoptr(GError) error = nullptr;
            g_autoptr(JSCValue) value = webkit_web_view_call_async_javascript_function_finish(
                WEBKIT_WEB_VIEW(source), result, &error);
            if (!*call->viewAlive)
                return;
            std::optional<std::string> answer;
            if (value && !jsc_value_is_undefined(value)) {
                g_autofree char* text = jsc_value_to_string(value);
                answer = text;
            }
            call->completion(std::move(answer));
        },
        new Call{alive, std::move(completion)});
}

void GtkWebView::startPageRequestTimer(Seconds timeout) {
    stopPageRequestTimer();
    pageRequestTimedOut = false;
    pageRequestTimer =
        g_timeout_add(static_cast<guint>(std::lround(timeout * 1000)), onPageRequestTimedOut, this);
}

void GtkWebView::stopPageRequestTimer() {
    if (pageRequestTimer)
        g_source_remove(pageRequestTimer);
    pageRequestTimer = 0;
}

gboolean GtkWebView::onPageRequestTimedOut(gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    webView->pageRequestTimer = 0;
    webView->pageRequestTimedOut = true;
    webkit_web_view_stop_loading(webView->view.get());
    return G_SOURCE_REMOVE;
}

void GtkWebView::onDestroy(GtkWidget*, gpointer self) {
    auto* webView = static_cast<GtkWebView*>(self);
    webView->destroyed = true;
    webView->stopPageRequestTimer();
}

} // namespace vorl
