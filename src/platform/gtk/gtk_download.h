#pragma once

#include "gobject_ptr.h"
#include "platform/web_view_delegates.h"

#include <webkit/webkit.h>

#include <functional>

namespace vorl {

// One WebKit download, from the moment it started until it has finished or failed; ended is
// called last, once, after the delegate has heard how it ended.
class GtkDownload final : public Download {
public:
    GtkDownload(WebKitDownload* download, std::function<void(GtkDownload&)> ended);
    GtkDownload(const GtkDownload&) = delete;
    GtkDownload& operator=(const GtkDownload&) = delete;
    ~GtkDownload() override;

    void setDelegate(DownloadDelegate& delegate) override;
    std::optional<std::uint64_t> expectedContentLength() const override;
    std::uint64_t receivedDataLength() const override;
    void cancel() override;

private:
    static gboolean onDecideDestination(WebKitDownload*, const char* suggestedFilename, gpointer self);
    static void onFailed(WebKitDownload*, GError* error, gpointer self);
    static void onFinished(WebKitDownload*, gpointer self);

    GObjectPtr<WebKitDownload> download;
    std::function<void(GtkDownload&)> ended;
    DownloadDelegate* delegate = nullptr;
    bool failed = false;
};

} // namespace vorl
