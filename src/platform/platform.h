#pragma once

#include "application.h"
#include "clock.h"
#include "main_queue.h"
#include "process.h"
#include "url_session.h"
#include "values.h"
#include "web_view.h"
#include "window.h"
#include "workspace.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorl {

// Who listens for connections to 127.0.0.1 on a port.
enum class PortListener {
    none,
    currentUser, // the user running the application, and nobody else
    otherUser,   // another user of the machine, alone or beside the current one
    unknown,     // somebody, but the system does not let the application see who
};

// Everything the application asks of the desktop it runs on. One instance lives for the whole
// process; the objects it hands out are owned by whoever asked for them.
class Platform {
public:
    virtual ~Platform() = default;

    // The current user's home folder, as $HOME says when it is set.
    virtual std::filesystem::path homeDirectory() const = 0;
    // Where the user's applications keep their settings ($XDG_CONFIG_HOME, or ~/.config).
    virtual std::filesystem::path configDirectory() const = 0;
    // The environment the application was started with.
    virtual Environment environment() const = 0;
    // Who holds the port on the loopback address, as the system's socket tables say now; unknown
    // when the port is taken and the tables cannot be read.
    virtual PortListener loopbackListener(long port) const = 0;
    // What the system's proxy resolver (environment and desktop settings) names for each of
    // urls: proxy URIs in the order to try them, "direct://" for none. The resolver may take
    // seconds (a proxy script, auto-discovery): completion gets the answers, by URL text, on a
    // thread of its own, never inside this call; once the platform is going, maybe never.
    using ProxyAnswers = std::map<std::string, std::vector<std::string>>;
    virtual void lookUpSystemProxies(const std::vector<Url>& urls,
                                     std::function<void(ProxyAnswers answers)> completion) = 0;

    virtual Application& application() = 0;
    virtual Clock& clock() = 0;
    // The queue outlives the session: a task's completion may post to it until the platform
    // itself goes, even after the application's delegate has gone.
    virtual MainQueue& mainQueue() = 0;
    virtual UrlSession& urlSession() = 0;
    virtual ProcessLauncher& processLauncher() = 0;
    virtual Workspace& workspace() = 0;

    virtual std::unique_ptr<WebView> createWebView(const WebViewConfiguration& configuration) = 0;
    virtual std::unique_ptr<Window> createWindow(const WindowConfiguration& configuration) = 0;
};

} // namespace vorl
