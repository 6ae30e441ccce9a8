#pragma once

#include "event_log.h"
#include "platform/web_view.h"
#include "platform/web_view_delegates.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorl::fake {

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

} // namespace vorl::fake
