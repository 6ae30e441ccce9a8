#pragma once

#include "event_log.h"
#include "fake_time.h"
#include "fake_web_view.h"
#include "fake_window.h"
#include "platform/platform.h"
#include "platform/web_view_delegates.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace vorl::fake {

// Records requests; the test answers them. A responder, when set, answers every new request at
// once from a background thread instead, as the real session would.
class FakeUrlSession final : public UrlSession {
public:
    explicit FakeUrlSession(EventLog& events) : log(events) {}
    ~FakeUrlSession() override;

    void dataTask(const UrlRequest& request, Completion completion) override;

    std::vector<UrlRequest> requests() const;
    size_t pendingCount() const;
    // Answers the oldest unanswered request; nullopt body is a transport error.
    UrlRequest answerNext(std::optional<std::string> body);

    std::function<std::optional<std::string>(const UrlRequest&)> responder;

private:
    struct Task {
        UrlRequest request;
        Completion completion;
    };
    EventLog& log;
    mutable std::mutex mutex;
    std::vector<UrlRequest> seen;
    std::vector<Task> pending;
    std::vector<std::thread> responders;
};

// What a test sees and does of a launched process, also after the application let go of it.
class FakeProcessState {
public:
    explicit FakeProcessState(MainQueue& mainQueue) : queue(mainQueue) {}
    // The process ends as ending says; its handler hears of it from the main queue, unless the
    // application has let go of it by then.
    void end(ProcessEnding ending = {ProcessEnding::Reason::exit, 0});

    std::atomic<bool> running = true; // a responder thread may end it, as an engine's quit does
    int terminateCalls = 0;           // terminate() also ends it, unheard
    bool released = false;            // the application let go of it
    std::function<void(ProcessEnding)> terminationHandler;

private:
    MainQueue& queue;
};

class FakeProcess final : public Process {
public:
    explicit FakeProcess(std::shared_ptr<FakeProcessState> shared) : state(std::move(shared)) {}
    ~FakeProcess() override;
    bool isRunning() override;
    void terminate() override;
    void setTerminationHandler(std::function<void(ProcessEnding)> handler) override;

private:
    std::shared_ptr<FakeProcessState> state;
};

// Launches at once; the outcome reaches the application from the main queue, as a real
// launch's does, or, while launches are held, once the test completes them: other events may then
// come while a launch is under way, as they do for a real one, which waits for its guard.
class FakeProcessLauncher final : public ProcessLauncher {
public:
    FakeProcessLauncher(EventLog& events, MainQueue& mainQueue) : log(events), queue(mainQueue) {}
    void launch(LaunchRequest request, Completion completion) override;
    // The held launches' outcomes reach the application from the main queue.
    void completeHeldLaunches();

    struct Launch {
        std::filesystem::path executable;
        std::vector<std::string> arguments;
        std::filesystem::path currentDirectory;
        Environment environment;
        std::optional<OutputLog> output;
        std::shared_ptr<FakeProcessState> process;
    };
    std::vector<Launch> launches;
    std::optional<LaunchFailure> failWith; // the next launches fail so
    bool holdLaunches = false;

private:
    EventLog& log;
    MainQueue& queue;
    std::vector<std::function<void()>> held;
};

class FakeWorkspace final : public Workspace {
public:
    explicit FakeWorkspace(EventLog& events) : log(events) {}
    void openURL(const Url& url) override;
    void activateFileViewerSelecting(const std::vector<std::filesystem::path>& items) override;

    std::vector<Url> opened;
    std::vector<std::vector<std::filesystem::path>> revealed;

private:
    EventLog& log;
};

class FakeApplication final : public Application {
public:
    explicit FakeApplication(EventLog& events) : log(events) {}
    void setDelegate(ApplicationDelegate& delegate) override;
    int run() override; // launches the delegate and returns: the test is the event loop
    void terminate() override;
    void activateIgnoringOtherApps() override;
    void setMainMenu(const std::vector<Menu>& menus, MenuTarget& target) override;
    void setMenuActionEnabled(MenuAction action, bool enabled) override;
    void orderFrontStandardAboutPanel(const AboutPanel& about) override;
    void hide() override;

    ApplicationDelegate* delegate = nullptr;
    std::vector<Menu> menus;
    std::map<MenuAction, bool> actionsEnabled; // as last set
    std::optional<AboutPanel> aboutShown;
    MenuTarget* menuTarget = nullptr;

private:
    EventLog& log;
};

// The headless platform: every service above, on virtual time, in a temporary home.
class FakePlatform final : public Platform {
public:
    explicit FakePlatform(std::filesystem::path home);

    std::filesystem::path homeDirectory() const override { return home; }
    std::filesystem::path configDirectory() const override { return home / ".config"; }
    Environment environment() const override { return processEnvironment; }
    PortListener loopbackListener(long port) const override {
        return realListener ? realListener(port) : portListener;
    }
    void lookUpSystemProxies(const std::vector<Url>& urls,
                             std::function<void(ProxyAnswers answers)> completion) override;
    Application& application() override { return app; }
    Clock& clock() override { return time; }
    MainQueue& mainQueue() override { return time; }
    UrlSession& urlSession() override { return realSession ? *realSession : session; }
    ProcessLauncher& processLauncher() override { return realLauncher ? *realLauncher : launcher; }
    Workspace& workspace() override { return desktop; }
    std::unique_ptr<WebView> createWebView(const WebViewConfiguration& configuration) override;
    std::unique_ptr<Window> createWindow(const WindowConfiguration& configuration) override;

    std::filesystem::path home;
    Environment processEnvironment;
    EventLog log;
    VirtualTime time;
    FakeApplication app{log};
    FakeUrlSession session{log};
    FakeProcessLauncher launcher{log, time};
    FakeWorkspace desktop{log};
    // Whoever answers the fake session is the user's own engine, unless the test says otherwise.
    PortListener portListener = PortListener::currentUser;
    // What the system's proxy resolver answers, by URL; direct for any other. Each lookup is
    // answered from the main queue.
    std::map<std::string, std::vector<std::string>> systemProxyAnswers;
    std::vector<std::string> proxyLookups; // the URLs asked about
    // While set, lookups wait for releaseProxyAnswers, as a slow resolver's would.
    bool holdProxyAnswers = false;
    void releaseProxyAnswers();
    std::vector<std::function<void()>> heldProxyAnswers;
    // Tests of real behaviour put the real session, launcher and socket tables in place of the fakes.
    std::unique_ptr<UrlSession> realSession;
    std::unique_ptr<ProcessLauncher> realLauncher;
    std::function<PortListener(long port)> realListener;

    // The area of the screen the windows show on; none known unless the test says so.
    std::optional<Size> screenArea;
    FakeWindow* window = nullptr; // the last created, owned by whoever asked for it
    FakeWebView* webView = nullptr;
    std::optional<WindowConfiguration> windowConfiguration;
};

} // namespace vorl::fake
