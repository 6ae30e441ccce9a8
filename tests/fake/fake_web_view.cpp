#include "fake_web_view.h"

namespace vorl::fake {

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

} // namespace vorl::fake
