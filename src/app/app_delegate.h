#pragma once

#include "app/handoff.h"
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

// The buttons the application's sheets share.
inline constexpr const char* okButton = "OK";
inline constexpr const char* cancelButton = "Avbryt";

// An alert with one default button, "OK".
Alert alert(const std::string& messageText, const std::string& informativeText, AlertStyle style);

// The application: delegate of the application, the window, the web view, its downloads and
// the page's "vorl" messages. Each group of methods lives in the folder of its subsystem:
// shell/, engine/, bridge/ and webhost/. Everything runs on the main thread.
class AppDelegate final : public ApplicationDelegate,
                          public MenuTarget,
                          public ScriptMessageHandler,
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

    // Engine supervision (engine/connect.cpp, engine/start_server.cpp, engine/supervision.cpp)
    void ping(std::function<void(bool healthy)> completion);
    void connect();
    void waitForServer();
    void startServer();
    std::optional<std::string> certifiPath() const;
    // What a warning about the engine shows below its message: how the engine ended, and the
    // last lines its launch wrote to the log (nothing where the log cannot be read).
    struct EngineReport {
        std::optional<ProcessEnding> ending;
        std::optional<std::string> logTail;
    };
    void fallback(const std::string& message, const EngineReport& report = {});
    // Stops the engine and starts it again, as at the application's start.
    void restartEngine();

    // Page messages (bridge/script_messages.cpp)
    void didReceiveScriptMessage(const ScriptMessage& body, ScriptReplyHandler reply) override;

    // Page dialogs and new windows (webhost/dialogs.cpp, webhost/navigation.cpp)
    void runJavaScriptAlertPanel(const std::string& message, std::function<void()> completion) override;
    void runJavaScriptConfirmPanel(const std::string& message, std::function<void(bool)> completion) override;
    void runJavaScriptTextInputPanel(const std::string& prompt, const std::optional<std::string>& defaultText,
                                     std::function<void(std::optional<std::string>)> completion) override;
    void runOpenPanel(
        bool allowsMultipleSelection,
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
    struct FirstProbe;
    // A launched engine, and how it ended once it has.
    struct LaunchedEngine {
        std::unique_ptr<Process> process;
        std::optional<ProcessEnding> ending;
    };
    // What the engine's supervision does now. Restarting is offered outside a start or restart.
    enum class EngineState {
        starting,        // from a connect until the engine's page loads or the built-in page shows
        servingLaunched, // the page of server, which is watched for its ending
        servingAdopted,  // the page of the user's own engine, watched for its port
        restarting,      // the restart command stops the engine and waits for its port
        idle,            // the built-in page, or the application is ending: nothing is watched
    };

    // Engine supervision (engine/connect.cpp, engine/start_server.cpp)
    void splashWasRequested();
    void actOnFirstProbe();
    bool verdict(bool healthyBody);
    void connected(bool healthy);
    void pollServer();
    void launched(ProcessLauncher::Outcome outcome);
    void loadEnginePage();
    // Whether the engine launched last still runs, as far as has been heard.
    bool serverRuns() const;
    Seconds sinceLaunch() const;
    EngineReport reportOnServer() const;
    // Starts a new recovery: what earlier ones still have under way is dropped when it answers.
    unsigned beginRecovery(EngineState state = EngineState::starting);
    void setEngineState(EngineState state);
    // The engine's page loaded: its engine is watched from now on.
    void beginServing();
    // The proxies the web view takes, decided from the environment and the system's resolver
    // (webhost/proxies.cpp).
    void decideProxies();
    void takeProxyAnswers();
    void proxiesDecided(const std::optional<ProxySettings>& settings);

    // The engine watched while its page is in use (engine/supervision.cpp)
    void engineEnded(LaunchedEngine* engine, ProcessEnding ending);
    void watchAdoptedEngine(unsigned attempt);
    void engineStoppedUnexpectedly();
    void releaseServer();
    void quitAnswered(unsigned attempt);
    void waitForFreePort(unsigned attempt, Date deadline);

    // The splash, then the engine looked for again, as after a failed load of its page.
    void recoverEnginePage();
    // A sheet with one default button and nothing to do when it is dismissed.
    void showAlert(const std::string& messageText, const std::string& informativeText, AlertStyle style);

    Platform& platform;
    std::shared_ptr<FirstProbe> firstProbe;                       // shared with the session's thread
    std::shared_ptr<Handoff<Platform::ProxyAnswers>> proxyLookup; // shared with the resolver's thread
    std::unique_ptr<WindowFrameStore> frameFile; // declared before the window, which saves into it
    std::unique_ptr<Window> window;
    std::unique_ptr<WebView> web;
    LaunchedEngine* server = nullptr;       // the engine launched last; one of launchedEngines
    Date started;                           // when server was launched
    std::vector<Date> contentProcessDeaths; // within the last minute, oldest first
    std::vector<Date> engineStops;          // unexpected ones, within the last five minutes
    // The engines this run launched and has not let go, so that none outlives the application.
    // One that stopped, or was stopped, is let go: its guard ends what is left of its group.
    std::vector<std::unique_ptr<LaunchedEngine>> launchedEngines;
    EngineState engineState = EngineState::starting;
    unsigned recovery = 0;          // the current recovery; each connect and restart is one
    bool launching = false;         // a launch is under way
    unsigned launchWantedBy = 0;    // the recovery that waits for that launch
    bool quitHandled = false;       // the restart's quit request has been answered or given up on
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
