#include "fake_platform.h"

#include <stdexcept>

namespace vorl::fake {

void EventLog::add(std::string event) {
    std::lock_guard lock(mutex);
    entries.push_back(std::move(event));
}

std::vector<std::string> EventLog::events() const {
    std::lock_guard lock(mutex);
    return entries;
}

long EventLog::indexOf(const std::string& prefix) const {
    std::lock_guard lock(mutex);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].starts_with(prefix))
            return static_cast<long>(i);
    }
    return -1;
}

long EventLog::count(const std::string& prefix) const {
    std::lock_guard lock(mutex);
    long matches = 0;
    for (const auto& entry : entries)
        matches += entry.starts_with(prefix) ? 1 : 0;
    return matches;
}

namespace {

Result<std::string> resultOf(std::optional<std::string> body) {
    if (!body)
        return Failure{"Could not connect to server"};
    return std::move(*body);
}

} // namespace

FakeUrlSession::~FakeUrlSession() {
    for (auto& thread : responders)
        thread.join();
}

void FakeUrlSession::dataTask(const UrlRequest& request, Completion completion) {
    log.add("session." + request.method + " " + request.url.string());
    std::lock_guard lock(mutex);
    seen.push_back(request);
    if (responder) {
        responders.emplace_back([answer = responder(request), completion = std::move(completion)] {
            completion(resultOf(answer));
        });
        return;
    }
    pending.push_back(Task{request, std::move(completion)});
}

std::vector<UrlRequest> FakeUrlSession::requests() const {
    std::lock_guard lock(mutex);
    return seen;
}

size_t FakeUrlSession::pendingCount() const {
    std::lock_guard lock(mutex);
    return pending.size();
}

UrlRequest FakeUrlSession::answerNext(std::optional<std::string> body) {
    Task task;
    {
        std::lock_guard lock(mutex);
        if (pending.empty())
            throw std::logic_error("no request is waiting for an answer");
        task = std::move(pending.front());
        pending.erase(pending.begin());
    }
    task.completion(resultOf(std::move(body)));
    return task.request;
}

void FakeProcessState::end(ProcessEnding ending) {
    running = false;
    queue.async([this, ending] {
        // A copy: the handler may let go of the process, and with it of its own closure.
        std::function<void(ProcessEnding)> handler = terminationHandler;
        if (!released && handler)
            handler(ending);
    });
}

FakeProcess::~FakeProcess() {
    state->released = true;
}

bool FakeProcess::isRunning() {
    return state->running;
}

void FakeProcess::terminate() {
    ++state->terminateCalls;
    state->running = false;
}

void FakeProcess::setTerminationHandler(std::function<void(ProcessEnding)> handler) {
    state->terminationHandler = std::move(handler);
}

void FakeProcessLauncher::launch(LaunchRequest request, Completion completion) {
    log.add("launcher.launch " + request.executable.string());
    if (failWith)
        return queue.async([completion, failure = *failWith] { completion(failure); });
    auto state = std::make_shared<FakeProcessState>(queue);
    launches.push_back(Launch{request.executable, request.arguments, request.currentDirectory,
                              request.environment, request.output, state});
    auto launched = std::make_shared<std::unique_ptr<Process>>(std::make_unique<FakeProcess>(state));
    std::function<void()> complete = [completion, launched] { completion(std::move(*launched)); };
    if (holdLaunches)
        return held.push_back(std::move(complete));
    queue.async(std::move(complete));
}

void FakeProcessLauncher::completeHeldLaunches() {
    for (auto& complete : std::exchange(held, {}))
        queue.async(std::move(complete));
}

void FakeWorkspace::openURL(const Url& url) {
    log.add("workspace.openURL " + url.string());
    opened.push_back(url);
}

void FakeWorkspace::activateFileViewerSelecting(const std::vector<std::filesystem::path>& items) {
    log.add("workspace.activateFileViewerSelecting");
    revealed.push_back(items);
}

void FakeApplication::setDelegate(ApplicationDelegate& newDelegate) {
    delegate = &newDelegate;
}

int FakeApplication::run() {
    log.add("app.run");
    delegate->applicationWillFinishLaunching();
    delegate->applicationDidFinishLaunching();
    return 0;
}

void FakeApplication::terminate() {
    log.add("app.terminate");
    delegate->applicationWillTerminate();
}

void FakeApplication::activateIgnoringOtherApps() {
    log.add("app.activateIgnoringOtherApps");
}

void FakeApplication::setMainMenu(const std::vector<Menu>& newMenus, MenuTarget& target) {
    log.add("app.setMainMenu");
    menus = newMenus;
    menuTarget = &target;
}

void FakeApplication::setMenuActionEnabled(MenuAction action, bool enabled) {
    actionsEnabled[action] = enabled;
}

void FakeApplication::orderFrontStandardAboutPanel(const AboutPanel& about) {
    log.add("app.orderFrontStandardAboutPanel");
    aboutShown = about;
}

void FakeApplication::hide() {
    log.add("app.hide");
}

void FakeWindow::setTitle(const std::string& newTitle) {
    log.add("window.setTitle");
    title = newTitle;
}

void FakeWindow::setBackgroundColor(Color color) {
    log.add("window.setBackgroundColor");
    backgroundColor = color;
}

void FakeWindow::setMinSize(Size size) {
    log.add("window.setMinSize");
    minSize = size;
}

void FakeWindow::setContentView(WebView& view) {
    log.add("window.setContentView");
    contentView = &view;
}

void FakeWindow::setFrameStore(WindowFrameStore& store) {
    log.add("window.setFrameStore");
    frameStore = &store;
}

Size FakeWindow::frameSize() {
    if (frame)
        return *frame;
    std::optional<WindowFrame> kept = frameStore ? frameStore->load() : std::nullopt;
    if (kept && kept->width > 0)
        return Size{static_cast<double>(kept->width), static_cast<double>(kept->height)};
    return contentSize;
}

void FakeWindow::setFrameSize(Size size) {
    log.add("window.setFrameSize");
    frame = size;
}

void FakeWindow::makeKeyAndOrderFront() {
    log.add("window.makeKeyAndOrderFront");
}
void FakeWindow::miniaturize() {
    log.add("window.miniaturize");
}
void FakeWindow::toggleMaximized() {
    log.add("window.toggleMaximized");
}
void FakeWindow::toggleFullScreen() {
    log.add("window.toggleFullScreen");
}

void FakeWindow::beginAlertSheet(const Alert& alert, AlertCompletion completion) {
    log.add("window.beginAlertSheet " + alert.messageText);
    askedAlerts.push_back(alert);
    sheets.add(std::move(completion), [this, alert](AlertCompletion answer) {
        shown = AlertSheet{alert, std::move(answer)};
        return [this] { dismissShown(); };
    });
}

void FakeWindow::beginOpenPanelSheet(const OpenPanel& panel, OpenPanelCompletion completion) {
    log.add("window.beginOpenPanelSheet");
    sheets.add(std::move(completion), [this, panel](OpenPanelCompletion answer) {
        shown = OpenPanelSheet{panel, std::move(answer)};
        return [this] { dismissShown(); };
    });
}

void FakeWindow::beginSavePanelSheet(const SavePanel& panel, SavePanelCompletion completion) {
    log.add("window.beginSavePanelSheet");
    sheets.add(std::move(completion), [this, panel](SavePanelCompletion answer) {
        shown = SavePanelSheet{panel, std::move(answer)};
        return [this] { dismissShown(); };
    });
}

void FakeWindow::endSheets() {
    log.add("window.endSheets");
    sheets.endAll();
}

std::vector<Alert> FakeWindow::alerts() const {
    return askedAlerts;
}

template <class T> T FakeWindow::takeShown() {
    if (!shown || !std::holds_alternative<T>(*shown))
        throw std::logic_error("the window shows no sheet of that kind");
    T taken = std::move(std::get<T>(*shown));
    shown.reset();
    return taken;
}

void FakeWindow::finishAlert(std::optional<std::size_t> button, const std::string& text) {
    takeShown<AlertSheet>().completion(AlertResult{button, text});
}

void FakeWindow::finishOpenPanel(ModalResponse response, std::vector<std::filesystem::path> urls) {
    takeShown<OpenPanelSheet>().completion(response, std::move(urls));
}

void FakeWindow::finishSavePanel(ModalResponse response, std::optional<std::filesystem::path> url) {
    takeShown<SavePanelSheet>().completion(response, std::move(url));
}

void FakeWindow::closeWithSheets() {
    log.add("window.close");
    sheets.close();
    dismissShown();
}

void FakeWindow::dismissShown() {
    if (!shown)
        return;
    Sheet closing = std::move(*shown);
    shown.reset();
    std::visit([](auto& open) { answerCancelled(open.completion); }, closing);
}

void FakeWebView::setNavigationDelegate(NavigationDelegate& delegate) {
    log.add("web.setNavigationDelegate");
    navigationDelegate = &delegate;
}

void FakeWebView::setProxySettings(const ProxySettings& settings) {
    log.add("web.setProxySettings");
    proxy = settings;
}

void FakeWebView::loadRequest(const UrlRequest& request) {
    log.add("web.loadRequest " + request.url.string());
    loads.push_back(Load{Load::request, request.url.string(), request.timeoutInterval, {}});
    currentUrl = request.url;
}

void FakeWebView::loadHTMLString(const std::string& html, const std::optional<Url>& baseUrl) {
    log.add("web.loadHTMLString");
    loads.push_back(Load{Load::html, html, 0, {}});
    currentUrl = baseUrl ? *baseUrl : *Url::parse("about:blank");
}

void FakeWebView::loadFileURL(const Url& file, const Url& readAccess) {
    log.add("web.loadFileURL " + file.string());
    loads.push_back(Load{Load::file, file.string(), 0, readAccess.string()});
    currentUrl = file;
}

void FakeWebView::reload() {
    log.add("web.reload");
    ++reloads;
}

void FakeWebView::terminateWebContentProcess() {
    log.add("web.terminateWebContentProcess");
}

void FakeWebView::setPageZoom(double value) {
    log.add("web.setPageZoom");
    zoom = value;
}

void FakeWebView::executeEditingCommand(EditingCommand command) {
    log.add("web.executeEditingCommand");
    editingCommands.push_back(command);
}

void FakeWebView::callAsyncJavaScript(const std::string& body, const ScriptArguments& arguments,
                                      ScriptWorld world,
                                      std::function<void(std::optional<std::string>)> completion) {
    log.add("web.callAsyncJavaScript");
    scripts.push_back(ScriptCall{body, arguments, world, std::move(completion)});
}

std::optional<std::string> FakeScriptMessage::stringEntry(std::string_view key) const {
    auto entry = entries.find(std::string(key));
    return entry != entries.end() ? std::optional(entry->second) : std::nullopt;
}

FakePlatform::FakePlatform(std::filesystem::path homeFolder) : home(std::move(homeFolder)) {
    processEnvironment = {{"HOME", home.string()}, {"PATH", "/usr/bin:/bin"}, {"LANG", "C.UTF-8"}};
}

void FakePlatform::lookUpSystemProxies(const std::vector<Url>& urls,
                                       std::function<void(ProxyAnswers answers)> completion) {
    ProxyAnswers answers;
    for (const Url& url : urls) {
        proxyLookups.push_back(url.string());
        auto answer = systemProxyAnswers.find(url.string());
        answers[url.string()] =
            answer != systemProxyAnswers.end() ? answer->second : std::vector<std::string>{"direct://"};
    }
    auto answer = [completion, answers] { completion(answers); };
    if (holdProxyAnswers)
        return heldProxyAnswers.push_back(answer);
    // From a thread of its own, as the real resolver answers; done before this call returns.
    std::thread(answer).join();
}

void FakePlatform::releaseProxyAnswers() {
    for (auto& answer : std::exchange(heldProxyAnswers, {}))
        std::thread(answer).join();
}

std::unique_ptr<WebView> FakePlatform::createWebView(const WebViewConfiguration& configuration) {
    log.add("platform.createWebView");
    auto view = std::make_unique<FakeWebView>(log, configuration);
    webView = view.get();
    return view;
}

std::unique_ptr<Window> FakePlatform::createWindow(const WindowConfiguration& configuration) {
    log.add("platform.createWindow");
    windowConfiguration = configuration;
    auto created = std::make_unique<FakeWindow>(log);
    created->contentSize = configuration.contentSize;
    created->screen = screenArea;
    window = created.get();
    return created;
}

} // namespace vorl::fake
