#pragma once

#include "gobject_ptr.h"
#include "gtk_download.h"
#include "platform/drag_answers.h"
#include "platform/web_view.h"
#include "platform/web_view_delegates.h"

#include <webkit/webkit.h>

#include <map>
#include <memory>
#include <vector>

namespace vorl {

// The web view as a WebKitWebView. Its signals become delegate calls and the delegates'
// answers become WebKit calls; nothing is decided here.
class GtkWebView final : public WebView {
public:
    explicit GtkWebView(const WebViewConfiguration& configuration);
    GtkWebView(const GtkWebView&) = delete;
    GtkWebView& operator=(const GtkWebView&) = delete;
    ~GtkWebView() override;

    GtkWidget* widget() const { return GTK_WIDGET(view.get()); }

    void setDialogDelegate(DialogDelegate& delegate) override;
    void setNavigationDelegate(NavigationDelegate& delegate) override;
    void setMagnificationDelegate(MagnificationDelegate& delegate) override;
    void setFileDragDelegate(FileDragDelegate& delegate) override;
    void setContentProcessDelegate(ContentProcessDelegate& delegate) override;
    void setProxySettings(const ProxySettings& proxy) override;
    std::optional<Url> url() const override;
    ShownDocument shownDocument() const override { return shown; }
    void loadRequest(const UrlRequest& request) override;
    void loadHTMLString(const std::string& html, const std::optional<Url>& baseUrl) override;
    void loadFileURL(const Url& file, const Url& readAccess) override;
    void reload() override;
    void terminateWebContentProcess() override;
    double pageZoom() const override;
    void setPageZoom(double zoom) override;
    void executeEditingCommand(EditingCommand command) override;
    void callAsyncJavaScript(const std::string& body, const ScriptArguments& arguments, ScriptWorld world,
                             std::function<void(std::optional<std::string>)> completion) override;

private:
    struct MessageHandlerBinding {
        GtkWebView* view;
        ScriptMessageHandler* handler;
    };

    // Navigation and the page process (gtk_navigation_signals.cpp)
    static NavigationAction navigationActionOf(WebKitNavigationAction* action);
    static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType,
                                   gpointer self);
    static void onLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self);
    static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, const char* uri, GError*, gpointer self);
    static void onDownloadStarted(WebKitNetworkSession*, WebKitDownload*, gpointer self);
    static void onWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self);
    static void onResponsivenessChanged(WebKitWebView*, GParamSpec*, gpointer self);
    static void onDestroy(GtkWidget*, gpointer self);
    static gboolean onPageRequestTimedOut(gpointer self);
    void addMagnificationGestures();
    static void onPinch(GtkGestureZoom*, double scale, gpointer self);
    static gboolean onScroll(GtkEventControllerScroll*, double dx, double dy, gpointer self);
    void startPageRequestTimer(Seconds timeout);
    void stopPageRequestTimer();

    // What the application adds to its pages (gtk_user_scripts.cpp)
    void addUserScripts(const WebViewConfiguration& configuration);

    // Files dragged onto the view from outside the application (gtk_file_drops.cpp)
    void addFileDropTarget();
    static gboolean onDropAccept(GtkDropTarget*, GdkDrop*, gpointer self);
    static GdkDragAction onDropMotion(GtkDropTarget*, double x, double y, gpointer self);
    static void onDropLeave(GtkDropTarget*, gpointer self);
    static gboolean onDrop(GtkDropTarget*, const GValue* value, double x, double y, gpointer self);
    void keepWebKitOutOfDrag();
    void letWebKitBackIn();

    // Page requests: dialogs, file inputs, new windows and script messages (gtk_page_requests.cpp)
    static gboolean onScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer self);
    static gboolean onRunFileChooser(WebKitWebView*, WebKitFileChooserRequest*, gpointer self);
    static GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction*, gpointer self);
    static gboolean onScriptMessage(WebKitUserContentManager*, JSCValue*, WebKitScriptMessageReply*,
                                    gpointer binding);

    GObjectPtr<WebKitUserContentManager> contentManager;
    GObjectPtr<WebKitWebView> view;
    WebKitNetworkSession* networkSession;
    DialogDelegate* dialogDelegate = nullptr;
    NavigationDelegate* navigationDelegate = nullptr;
    MagnificationDelegate* magnificationDelegate = nullptr;
    FileDragDelegate* fileDragDelegate = nullptr;
    ContentProcessDelegate* contentProcessDelegate = nullptr;
    std::vector<std::unique_ptr<MessageHandlerBinding>> messageHandlers;
    std::map<WebKitDownload*, std::unique_ptr<GtkDownload>> downloads;
    guint pageRequestTimer = 0;
    bool pageRequestTimedOut = false;
    std::vector<GtkEventController*> magnificationGestures; // owned by the view's widget
    GtkEventController* fileDropTarget = nullptr;           // owned by the view's widget
    GtkDropTargetAsync* webKitDropTarget = nullptr;         // WebKit's own, kept out of file drags
    GdkDragAction webKitDropActions{};                      // what it takes, while it is kept out
    std::vector<gulong> webKitAcceptHandlers;               // blocked while it is kept out
    // Shared with the completions of scripts still running: false once the view has gone.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    double pinchStartZoom = 1.0;
    ShownDocument shown;
    DragAnswers dragAnswers;
    bool inDropMotion = false;   // a step is being asked about: its answer goes back as the step's own
    bool developerExtrasPending; // until the first page has committed
    bool destroyed = false;      // once the window has gone, calls into the view are dropped
};

} // namespace vorl
