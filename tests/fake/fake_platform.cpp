#include "fake_platform.h"

#include <stdexcept>

namespace vorl::fake {

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
