#pragma once

#include "app/alert.h"
#include "app/handoff.h"
#include "engine/engine_supervisor.h"
#include "platform/platform.h"
#include "platform/web_view_delegates.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorl {

// The application: delegate of the application, the window, the web view, its downloads, the
// page's "vorl" messages, its audio scheme and the engine's supervisor, which it owns. Each group
// of methods lives in the folder of its subsystem: shell/, engine/, bridge/ and webhost/.
// Everything runs on the main thread.
class AppDelegate final : public ApplicationDelegate,
                          public EngineSupervisorDelegate,
                          public MenuTarget,
                          public ScriptMessageHandler,
                          public UrlSchemeHandler,
                          public UIDelegate,
                          public NavigationDelegate,
                          public DownloadDelegate {
public:
    explicit AppDelegate(Platform& desktop);
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Application (engine/connect.cpp, shell/main_window.cpp, engine/shutdown.cpp)
    void applicationWillFinishLaunching() override;
    void applicationDidFinishLaunching() override;
    bool applicationShouldTerminateAfterLastWindowClosed() override;
    void applicationWillTerminate() override;

    // Menu and its own commands, and the zoom a gesture asks for (shell/menu.cpp)
    void buildMenu();
    void performMenuAction(MenuAction action) override;
    void reloadPage();
    void zoomReset();
    void zoomIn();
    void zoomOut();
    void showFolder();
    void showLog();
    void didRequestPageZoom(double zoom) override;

    // Files dragged onto the tool's pages from the desktop (webhost/file_drops_host.cpp)
    bool draggingUpdated(Point point, std::size_t fileCount) override;
    void draggingExited() override;
    bool performDragOperation(Point point, std::vector<std::filesystem::path> files) override;

    // The engine, as its supervisor has it shown (engine/engine_pages.cpp)
    void showSplash() override;
    void showEnginePage() override;
    void showBuiltInPage(const EngineWarning& warning) override;
    void cancelPageRequests() override;
    void restartAvailabilityChanged(bool available) override;
    // Looks for the engine again, as at the start.
    void connect();
    // Stops the engine and starts it again, as at the start.
    void restartEngine();
    // The built-in page with the warning.
    void fallback(const EngineWarning& warning);

    // Page messages (bridge/script_messages.cpp)
    void didReceiveScriptMessage(const ScriptMessage& body, ScriptReplyHandler reply) override;

    // Audio files of the tool's pages, made WAV for the platform's decoder (webhost/audio_files.cpp)
    void startUrlSchemeTask(const UrlSchemeTask& task,
                            std::function<void(std::optional<UrlSchemeResponse>)> reply) override;

    // Page dialogs and new windows (webhost/dialogs.cpp, webhost/navigation.cpp)
    void runJavaScriptAlertPanel(const std::string& message, std::function<void()> completion) override;
    void runJavaScriptConfirmPanel(const std::string& message, std::function<void(bool)> completion) override;
    void runJavaScriptTextInputPanel(const std::string& prompt, const std::optional<std::string>& defaultText,
                                     std::function<void(std::optional<std::string>)> completion) override;
    void runOpenPanel(
        bool allowsMultipleSelection, const std::vector<std::string>& acceptedTypes,
        std::function<void(std::optional<std::vector<std::filesystem::path>>)> completion) override;
    void runBeforeUnloadConfirmPanel(const std::string& message,
                                     std::function<void(bool)> completion) override;
    void createWebView(const NavigationAction& action) override;

    // Navigation and load-failure recovery (webhost/navigation.cpp)
    void decidePolicyForNavigationAction(
        const NavigationAction& action, std::function<void(NavigationActionPolicy)> decisionHandler) override;
    void decidePolicyForNavigationResponse(
        const NavigationResponse& response,
        std::function<void(NavigationResponsePolicy)> decisionHandler) override;
    void navigationDidBecomeDownload(Download& download) override;
    void didFailProvisionalNavigation(NavigationFailure failure) override;
    void webContentProcessDidTerminate(WebContentProcessTermination reason) override;

    // Downloads (webhost/downloads.cpp)
    void decideDestination(Download& download, const std::string& suggestedFilename,
                           std::function<void(std::optional<std::filesystem::path>)> completion) override;
    void downloadDidFinish(Download& download) override;
    void downloadDidFail(Download& download, const DownloadError& error) override;
    // At quit: stops every download still running and removes its partial file.
    void cancelDownloadsInProgress();

private:
    // The proxies the web view takes, decided from the environment and the system's resolver
    // (webhost/proxies.cpp).
    void decideProxies();
    void takeProxyAnswers();
    void proxiesDecided(const std::optional<ProxySettings>& settings);

    // The address of the built-in page, which stands in for the engine's.
    Url builtInPage() const;
    // The splash, then the engine looked for again, as after a failed load of its page.
    void recoverEnginePage();
    // A sheet with one default button and nothing to do when it is dismissed.
    void showAlert(const std::string& messageText, const std::string& informativeText, AlertStyle style);

    Platform& platform;
    EngineSupervisor engine;
    std::shared_ptr<Handoff<Platform::ProxyAnswers>> proxyLookup; // shared with the resolver's thread
    std::unique_ptr<WindowFrameStore> frameFile; // declared before the window, which saves into it
    std::unique_ptr<Window> window;
    std::unique_ptr<WebView> web;
    std::vector<Date> contentProcessDeaths; // within the last minute, oldest first
    bool dragging = false;                  // files from the desktop are over a tool page
    // Files dropped on the page, on their way to it through a file input of the application's
    // own that asks for them under token.
    struct HandOver {
        std::string token;
        std::vector<std::filesystem::path> files;
    };
    std::optional<HandOver> handOver;
    bool proxiesKnown = false;      // until then, the engine's page waits
    bool enginePageWaiting = false; // for the proxies
    std::optional<ProxySettings> proxies;

    // A download from the moment it asks for a destination until it ends. Its save panel's
    // completion holds it too, and may run after the download has ended and gone.
    struct DownloadSave {
        bool ended = false;
        std::filesystem::path partial; // written by the transfer, moved over the destination
        std::filesystem::path destination;
    };
    std::map<Download*, std::shared_ptr<DownloadSave>> downloadSaves;
};

} // namespace vorl
