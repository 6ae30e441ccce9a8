#include "fake_platform.h"

#include <cassert>

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

FakeUrlSession::~FakeUrlSession() {
    for (auto& thread : responders)
        thread.join();
}

void FakeUrlSession::dataTask(const UrlRequest& request, Completion completion) {
    log.add("session." + request.method + " " + request.url.string());
    std::lock_guard lock(mutex);
    seen.push_back(request);
    if (responder) {
        responders.emplace_back(
            [answer = responder(request), completion = std::move(completion)] { completion(answer); });
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
        assert(!pending.empty());
        task = std::move(pending.front());
        pending.erase(pending.begin());
    }
    task.completion(std::move(body));
    return task.request;
}

bool FakeProcess::isRunning() {
    return running;
}

void FakeProcess::terminate() {
    ++terminateCalls;
    running = false;
}

LaunchResult FakeProcessLauncher::launch(LaunchRequest request) {
    log.add("launcher.launch " + request.executable.string());
    if (failWith)
        return LaunchResult{nullptr, *failWith};
    auto process = std::make_unique<FakeProcess>();
    launches.push_back(Launch{request.executable, request.arguments, request.currentDirectory,
                              request.environment, bool(request.standardOutputAndError), process.get()});
    return LaunchResult{std::move(process), {}};
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

void FakeApplication::orderFrontStandardAboutPanel() {
    log.add("app.orderFrontStandardAboutPanel");
}

void FakeApplication::hide() {
    log.add("app.hide");
}

void FakeWindow::setTitle(const std::string& newTitle) {
    log.add("window.setTitle");
    title = newTitle;
}

void FakeWindow::setAppearance(Appearance) {
    log.add("window.setAppearance");
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

void FakeWindow::setFrameAutosaveName(const std::string& name) {
    log.add("window.setFrameAutosaveName");
    autosaveName = name;
}

void FakeWindow::makeKeyAndOrderFront() {
    log.add("window.makeKeyAndOrderFront");
}
void FakeWindow::miniaturize() {
    log.add("window.miniaturize");
}
void FakeWindow::zoom() {
    log.add("window.zoom");
}
void FakeWindow::toggleFullScreen() {
    log.add("window.toggleFullScreen");
}

void FakeWindow::beginAlertSheet(const Alert& alert, AlertCompletion completion) {
    log.add("window.beginAlertSheet " + alert.messageText);
    begunAlerts.push_back(alert);
    openSheets.emplace_back(AlertSheet{alert, std::move(completion)});
}

void FakeWindow::beginOpenPanelSheet(const OpenPanel& panel, OpenPanelCompletion completion) {
    log.add("window.beginOpenPanelSheet");
    openSheets.emplace_back(OpenPanelSheet{panel, std::move(completion)});
}

void FakeWindow::beginSavePanelSheet(const SavePanel& panel, SavePanelCompletion completion) {
    log.add("window.beginSavePanelSheet");
    openSheets.emplace_back(SavePanelSheet{panel, std::move(completion)});
}

std::vector<Alert> FakeWindow::alerts() const {
    return begunAlerts;
}

template <class T> T FakeWindow::take(size_t index) {
    size_t seen = 0;
    for (auto sheet = openSheets.begin(); sheet != openSheets.end(); ++sheet) {
        if (std::holds_alternative<T>(*sheet) && seen++ == index) {
            T taken = std::move(std::get<T>(*sheet));
            openSheets.erase(sheet);
            return taken;
        }
    }
    assert(!"no such open sheet");
    return T{};
}

void FakeWindow::finishAlert(size_t index, int response, const std::string& text) {
    take<AlertSheet>(index).completion(AlertResult{response, text});
}

void FakeWindow::finishOpenPanel(size_t index, int response, std::vector<std::filesystem::path> urls) {
    take<OpenPanelSheet>(index).completion(response, std::move(urls));
}

void FakeWindow::finishSavePanel(size_t index, int response, std::optional<std::filesystem::path> url) {
    take<SavePanelSheet>(index).completion(response, std::move(url));
}

void FakeWindow::closeWithSheets() {
    log.add("window.close");
    std::vector<Sheet> closing = std::move(openSheets);
    openSheets.clear();
    for (auto& sheet : closing) {
        std::visit(
            [](auto& open) {
                using Open = std::decay_t<decltype(open)>;
                if constexpr (std::is_same_v<Open, AlertSheet>)
                    open.completion(AlertResult{});
                else
                    open.completion(ModalResponseCancel, {});
            },
            sheet);
    }
}

void FakeWebView::setUIDelegate(UIDelegate& delegate) {
    log.add("web.setUIDelegate");
    uiDelegate = &delegate;
}

void FakeWebView::setNavigationDelegate(NavigationDelegate& delegate) {
    log.add("web.setNavigationDelegate");
    navigationDelegate = &delegate;
}

void FakeWebView::setDrawsBackground(bool draws) {
    log.add("web.setDrawsBackground");
    drawsBackground = draws;
}

void FakeWebView::setAllowsMagnification(bool allows) {
    log.add("web.setAllowsMagnification");
    allowsMagnification = allows;
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

void FakeWebView::setPageZoom(double value) {
    log.add("web.setPageZoom");
    zoom = value;
}

void FakeWebView::executeEditingCommand(EditingCommand command) {
    log.add("web.executeEditingCommand");
    editingCommands.push_back(command);
}

FakePlatform::FakePlatform(std::filesystem::path homeFolder) : home(std::move(homeFolder)) {
    processEnvironment = {{"HOME", home.string()}, {"PATH", "/usr/bin:/bin"}, {"LANG", "C.UTF-8"}};
}

std::unique_ptr<WebView> FakePlatform::createWebView(const WebViewConfiguration& configuration) {
    log.add("platform.createWebView");
    auto view = std::make_unique<FakeWebView>(log, configuration);
    webView = view.get();
    return view;
}

std::unique_ptr<Window> FakePlatform::createWindow(Size contentSize) {
    log.add("platform.createWindow");
    windowContentSize = contentSize;
    auto created = std::make_unique<FakeWindow>(log);
    window = created.get();
    return created;
}

} // namespace vorl::fake
