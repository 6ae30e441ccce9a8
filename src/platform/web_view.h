#pragma once

#include "script_message.h"
#include "url.h"
#include "url_session.h"
#include "values.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vorl {

class ContentProcessDelegate;
class DialogDelegate;
class FileDragDelegate;
class MagnificationDelegate;
class NavigationDelegate;

// Receives the messages that page scripts post to a named handler.
class ScriptMessageHandler {
public:
    virtual ~ScriptMessageHandler() = default;
    // Called on the main thread for each message posted to the handler; body is valid during
    // the call only. reply answers the page's promise and must be called exactly once, now or
    // later.
    virtual void didReceiveScriptMessage(const ScriptMessage& body, ScriptReplyHandler reply) = 0;
};

// A script the view adds to each page whose address one of its patterns matches (WebKit's URL
// patterns: scheme://host/path, with * as a wildcard; a host's port is not part of them), in the
// top frame, in the page's own world, before any script of the page's own runs.
struct UserScript {
    std::string source;
    std::vector<std::string> allowList;
};

// Proxies the web view uses instead of the system's settings.
struct ProxySettings {
    std::string defaultProxy; // for schemes without one of their own; empty: none
    std::vector<std::pair<std::string, std::string>> schemeProxies; // scheme, proxy URI
    // Hosts reached directly: names (a leading "." or "*." for a domain), addresses, CIDR ranges.
    std::vector<std::string> ignoreHosts;
};

struct WebViewConfiguration {
    bool mediaPlaybackRequiresUserAction = true;
    bool developerExtrasEnabled = false;
    // When false the view paints no background of its own: the window's colour shows behind
    // transparent parts of the page and around it.
    bool drawsBackground = true;
    // Lets the user magnify the page with a pinch or Ctrl and the scroll wheel; the
    // magnification delegate decides the zoom each gesture leads to.
    bool allowsMagnification = false;
    struct MessageHandler {
        std::string name;
        ScriptMessageHandler* handler;
    };
    // Handlers reachable from the page's own scripts as window.webkit.messageHandlers[name].
    std::vector<MessageHandler> scriptMessageHandlersWithReply;
    std::vector<UserScript> userScripts;
};

enum class EditingCommand { undo, redo, cut, copy, paste, selectAll };

// Where a script the application runs in the page runs: in the page's own world, beside its
// scripts and their objects, or in a world of the application's own, which shares the page's
// document but none of its scripts' objects.
enum class ScriptWorld { page, application };

// The values a script gets, by the names it uses for them.
using ScriptArguments = std::map<std::string, std::variant<double, std::string>>;

// The one web view. Loads return at once; their outcome reaches the navigation delegate.
class WebView {
public:
    virtual ~WebView() = default;

    // The delegates are not owned and must outlive the view.
    virtual void setDialogDelegate(DialogDelegate& delegate) = 0;
    virtual void setNavigationDelegate(NavigationDelegate& delegate) = 0;
    virtual void setMagnificationDelegate(MagnificationDelegate& delegate) = 0;
    virtual void setFileDragDelegate(FileDragDelegate& delegate) = 0;
    virtual void setContentProcessDelegate(ContentProcessDelegate& delegate) = 0;
    // The proxies for the loads that start from now on, in place of the system's settings.
    virtual void setProxySettings(const ProxySettings& proxy) = 0;

    // The address of the page shown or being loaded; nullopt before the first load.
    virtual std::optional<Url> url() const = 0;
    // The document the view shows: the last load to have committed. A page that starts to load
    // another still shows its own until that one commits.
    struct ShownDocument {
        unsigned number = 0;    // counted from 1 in the order the loads committed; 0 before the first
        std::optional<Url> url; // its address as it committed
    };
    virtual ShownDocument shownDocument() const = 0;
    // Loads the request's URL; the load fails as timed out after request.timeoutInterval.
    virtual void loadRequest(const UrlRequest& request) = 0;
    virtual void loadHTMLString(const std::string& html, const std::optional<Url>& baseUrl) = 0;
    // Loads a local file; the page may read what lies at or below readAccess.
    virtual void loadFileURL(const Url& file, const Url& readAccess) = 0;
    virtual void reload() = 0;
    // Ends the process that shows the page, as for one that hangs; its delegate does not hear of
    // it. The view shows nothing live until something is loaded, or reloaded, into it.
    virtual void terminateWebContentProcess() = 0;

    virtual double pageZoom() const = 0;
    virtual void setPageZoom(double zoom) = 0;

    virtual void executeEditingCommand(EditingCommand command) = 0;

    // Runs body, the body of an async function with arguments as its parameters, in the page
    // shown now. completion runs once, on the main thread, with the string of the value the
    // function's promise resolves with, or nothing when it throws or no page can run it.
    virtual void callAsyncJavaScript(const std::string& body, const ScriptArguments& arguments,
                                     ScriptWorld world,
                                     std::function<void(std::optional<std::string>)> completion) = 0;
};

} // namespace vorl
