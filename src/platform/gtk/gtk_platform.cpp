#include "gtk_platform.h"

#include "gio_workspace.h"
#include "gobject_ptr.h"
#include "gtk_app.h"
#include "gtk_main_queue.h"
#include "gtk_main_window.h"
#include "gtk_web_view.h"
#include "platform/media_plugins.h"
#include "platform/posix/group_guard.h"
#include "platform/posix/installed_folder.h"
#include "platform/posix/loopback_listener.h"
#include "platform/posix/posix_process.h"
#include "platform/toolkit_defaults.h"
#include "soup_url_session.h"
#include "toolkit_language.h"

#include <mutex>
#include <thread>

extern char** environ;

namespace vorl {
namespace {

class SystemClock final : public Clock {
public:
    Date now() const override { return std::chrono::system_clock::now(); }
};

Environment currentEnvironment() {
    Environment variables;
    for (char** entry = environ; *entry; ++entry) {
        std::string_view text(*entry);
        size_t equals = text.find('=');
        if (equals != std::string_view::npos)
            variables.emplace(text.substr(0, equals), text.substr(equals + 1));
    }
    return variables;
}

class GtkPlatform final : public Platform {
public:
    GtkPlatform(Environment started, EnvironmentChanges forPrograms)
        : startEnvironment(std::move(started)), gioWorkspace(std::move(forPrograms)) {}
    GtkPlatform(const GtkPlatform&) = delete;
    GtkPlatform& operator=(const GtkPlatform&) = delete;
    // A lookup still under way is left to end by itself: the resolver may take seconds, and
    // its answers go to nobody once the platform has gone.
    ~GtkPlatform() override {
        {
            std::lock_guard lock(lookups->mutex);
            lookups->open = false;
        }
        g_cancellable_cancel(lookups->cancelled.get());
    }

    std::filesystem::path homeDirectory() const override { return g_get_home_dir(); }
    std::filesystem::path configDirectory() const override { return g_get_user_config_dir(); }
    Environment environment() const override { return startEnvironment; }

    PortListener loopbackListener(long port) const override { return vorl::loopbackListener(port); }

    void lookUpSystemProxies(const std::vector<Url>& urls,
                             std::function<void(ProxyAnswers answers)> completion) override {
        std::vector<std::string> questions;
        for (const Url& url : urls)
            questions.push_back(url.string());
        // The resolver is made here, on the main thread: GIO's modules and their types are then
        // set up before the thread asks, never beside the main thread's own start.
        auto resolver = GObjectPtr<GProxyResolver>::retain(g_proxy_resolver_get_default());
        std::thread([questions, completion = std::move(completion), resolver = std::move(resolver),
                     lookups = lookups] {
            ProxyAnswers answers;
            for (const std::string& url : questions) {
                g_auto(GStrv) proxies =
                    g_proxy_resolver_lookup(resolver.get(), url.c_str(), lookups->cancelled.get(), nullptr);
                // A resolver that fails lets the connection go direct.
                answers[url] = proxies ? std::vector<std::string>(proxies, proxies + g_strv_length(proxies))
                                       : std::vector<std::string>{"direct://"};
            }
            std::lock_guard lock(lookups->mutex);
            if (lookups->open)
                completion(std::move(answers));
        }).detach();
    }

    Application& application() override { return app; }
    Clock& clock() override { return systemClock; }
    MainQueue& mainQueue() override { return queue; }
    UrlSession& urlSession() override { return *session; }
    ProcessLauncher& processLauncher() override { return *launcher; }
    Workspace& workspace() override { return gioWorkspace; }

    std::unique_ptr<WebView> createWebView(const WebViewConfiguration& configuration) override {
        addMissingWebKitTranslations();
        return std::make_unique<GtkWebView>(configuration);
    }
    std::unique_ptr<Window> createWindow(const WindowConfiguration& configuration) override {
        return std::make_unique<GtkMainWindow>(app.gtkApplication(), app.sheetShortcuts(), configuration);
    }

private:
    Environment startEnvironment; // before the toolkit's language was set
    GtkApp app;
    SystemClock systemClock;
    GtkMainQueue queue;
    // Declared after the queue, so that it goes first: its thread may still post to the queue.
    std::unique_ptr<UrlSession> session = createSoupUrlSession();
    std::unique_ptr<ProcessLauncher> launcher = createPosixProcessLauncher(installedGroupGuard(), queue);
    GioWorkspace gioWorkspace;
    // What the lookups of the system's proxy resolver share with the platform, which they may
    // outlive.
    struct Lookups {
        std::mutex mutex;
        bool open = true; // guarded by mutex: answers go to the application until the platform goes
        GObjectPtr<GCancellable> cancelled = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
    };
    std::shared_ptr<Lookups> lookups = std::make_shared<Lookups>();
};

} // namespace

std::unique_ptr<Platform> createGtkPlatform(const std::string& toolkitLanguage) {
    Environment started = currentEnvironment();
    EnvironmentChanges toolkit = toolkitLanguageEnvironment(started, toolkitLanguage);
    std::filesystem::path defaults = installedFolder(VORL_TOOLKIT_DEFAULTS_DIR);
    if (g_file_test((defaults / "gtk-4.0/settings.ini").c_str(), G_FILE_TEST_IS_REGULAR))
        toolkit.merge(toolkitDefaultsEnvironment(started, defaults));
    // Before the first page process starts, which takes the path into its sandbox.
    std::filesystem::path mediaPlugins = installedFolder(VORL_GSTREAMER_PLUGINS_DIR);
    if (g_file_test(mediaPlugins.c_str(), G_FILE_TEST_IS_DIR))
        toolkit.merge(mediaPluginsEnvironment(started, mediaPlugins));
    useToolkitEnvironment(toolkit);
    EnvironmentChanges forPrograms = startedValues(started, toolkit);
    return std::make_unique<GtkPlatform>(std::move(started), std::move(forPrograms));
}

} // namespace vorl
