#pragma once

#include "fake_time.h"
#include "platform/platform.h"
#include "platform/sheet_queue.h"
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

// What the fakes were asked to do, in order, across all of them: "web.loadHTMLString",
// "session.GET http://127.0.0.1:8765/api/status", "launcher.launch", ...
class EventLog {
public:
    void add(std::string event);
    std::vector<std::string> events() const;
    // The position of the first event that starts with prefix, or -1.
    long indexOf(const std::string& prefix) const;
    long count(const std::string& prefix) const;

private:
    mutable std::mutex mutex;
    std::vector<std::string> entries;
};

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

// Open sheets, which the test ends with a response of its choice.
struct AlertSheet {
    Alert alert;
    AlertCompletion completion;
};
struct OpenPanelSheet {
    OpenPanel panel;
    OpenPanelCompletion completion;
};
struct SavePanelSheet {
    SavePanel panel;
    SavePanelCompletion completion;
};
using Sheet = std::variant<AlertSheet, OpenPanelSheet, SavePanelSheet>;

// Shows its sheets one at a time, as a real window does; the test ends the shown one.
class FakeWindow final : public Window {
public:
    explicit FakeWindow(EventLog& events) : log(events) {}
    void setTitle(const std::string& title) override;
    void setBackgroundColor(Color color) override;
    void setMinSize(Size size) override;
    void setContentView(WebView& view) override;
    void setFrameStore(WindowFrameStore& store) override;
    Size frameSize() override;
    void setFrameSize(Size size) override;
    std::optional<Size> screenArea() override { return screen; }
    void makeKeyAndOrderFront() override;
    void miniaturize() override;
    void toggleMaximized() override;
    void toggleFullScreen() override;
    void beginAlertSheet(const Alert& alert, AlertCompletion completion) override;
    void beginOpenPanelSheet(const OpenPanel& panel, OpenPanelCompletion completion) override;
    void beginSavePanelSheet(const SavePanel& panel, SavePanelCompletion completion) override;
    void endSheets() override;

    std::vector<Alert> alerts() const; // every alert asked for, in order, shown or not
    // Ends the shown sheet, which must be of the kind named; the next one waiting is shown.
    void finishAlert(std::optional<std::size_t> button, const std::string& text = {});
    void finishOpenPanel(ModalResponse response, std::vector<std::filesystem::path> urls = {});
    void finishSavePanel(ModalResponse response, std::optional<std::filesystem::path> url = std::nullopt);
    // The window closes under its sheets: each, shown or waiting, ends as cancelled.
    void closeWithSheets();

    std::optional<Sheet> shown;
    std::string title;
    std::optional<Size> minSize;
    std::optional<Color> backgroundColor;
    WindowFrameStore* frameStore = nullptr;
    Size contentSize;          // from its configuration; it has no menu bar above the content
    std::optional<Size> frame; // as given by setFrameSize
    std::optional<Size> screen;
    WebView* contentView = nullptr;

private:
    template <class T> T takeShown();
    void dismissShown();
    EventLog& log;
    std::vector<Alert> askedAlerts;
    SheetQueue sheets;
};

class FakeWebView final : public WebView {
public:
    FakeWebView(EventLog& events, WebViewConfiguration created)
        : log(events), configuration(std::move(created)) {}
    void setDialogDelegate(DialogDelegate& delegate) override { dialogDelegate = &delegate; }
    void setNavigationDelegate(NavigationDelegate& delegate) override;
    void setMagnificationDelegate(MagnificationDelegate& delegate) override {
        magnificationDelegate = &delegate;
    }
    void setFileDragDelegate(FileDragDelegate& delegate) override { fileDragDelegate = &delegate; }
    void setContentProcessDelegate(ContentProcessDelegate& delegate) override {
        contentProcessDelegate = &delegate;
    }
    void setProxySettings(const ProxySettings& proxy) override;
    std::optional<Url> url() const override { return currentUrl; }
    // The document shown is the one at currentUrl, numbered by the test, unless the test has it still
    // show another while currentUrl loads.
    ShownDocument shownDocument() const override {
        return ShownDocument{documentNumber, shownUrl ? shownUrl : currentUrl};
    }
    void loadRequest(const UrlRequest& request) override;
    void loadHTMLString(const std::string& html, const std::optional<Url>& baseUrl) override;
    void loadFileURL(const Url& file, const Url& readAccess) override;
    void reload() override;
    void terminateWebContentProcess() override;
    double pageZoom() const override { return zoom; }
    void setPageZoom(double value) override;
    void executeEditingCommand(EditingCommand command) override;
    void callAsyncJavaScript(const std::string& body, const ScriptArguments& arguments, ScriptWorld world,
                             std::function<void(std::optional<std::string>)> completion) override;

    // A script the application asked the page to run; the test answers it.
    struct ScriptCall {
        std::string body;
        ScriptArguments arguments;
        ScriptWorld world;
        std::function<void(std::optional<std::string>)> completion;
    };
    std::vector<ScriptCall> scripts;

    struct Load {
        enum Kind { request, html, file } kind;
        std::string target; // the URL, or the HTML text
        Seconds timeout = 0;
        std::string readAccess;
    };
    std::vector<Load> loads;
    std::optional<Url> currentUrl;
    unsigned documentNumber = 1;
    std::optional<Url> shownUrl;
    double zoom = 1.0;
    int reloads = 0;
    std::vector<EditingCommand> editingCommands;
    DialogDelegate* dialogDelegate = nullptr;
    NavigationDelegate* navigationDelegate = nullptr;
    MagnificationDelegate* magnificationDelegate = nullptr;
    FileDragDelegate* fileDragDelegate = nullptr;
    ContentProcessDelegate* contentProcessDelegate = nullptr;
    std::optional<ProxySettings> proxy;

private:
    EventLog& log;

public:
    const WebViewConfiguration configuration;
};

// A posted object reduced to what the application can read of it: its string entries. Any
// other value (a number, an array, an object without strings) is one without entries here.
class FakeScriptMessage final : public ScriptMessage {
public:
    explicit FakeScriptMessage(std::map<std::string, std::string> strings) : entries(std::move(strings)) {}
    std::optional<std::string> stringEntry(std::string_view key) const override;

private:
    std::map<std::string, std::string> entries;
};

class FakeDownload final : public Download {
public:
    void setDelegate(DownloadDelegate& newDelegate) override { delegate = &newDelegate; }
    std::optional<std::uint64_t> expectedContentLength() const override { return expectedLength; }
    std::uint64_t receivedDataLength() const override { return receivedLength; }
    void cancel() override { cancelled = true; }

    DownloadDelegate* delegate = nullptr;
    bool cancelled = false;
    std::optional<std::uint64_t> expectedLength;
    std::uint64_t receivedLength = 0;
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
