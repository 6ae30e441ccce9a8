#include "gtk_download.h"

namespace vorl {

GtkDownload::GtkDownload(WebKitDownload* webDownload, std::function<void(GtkDownload&)> onEnded)
    : download(GObjectPtr<WebKitDownload>::retain(webDownload)), ended(std::move(onEnded)) {
    g_signal_connect(webDownload, "decide-destination", G_CALLBACK(onDecideDestination), this);
    g_signal_connect(webDownload, "failed", G_CALLBACK(onFailed), this);
    g_signal_connect(webDownload, "finished", G_CALLBACK(onFinished), this);
}

GtkDownload::~GtkDownload() {
    g_signal_handlers_disconnect_by_data(download.get(), this);
}

void GtkDownload::setDelegate(DownloadDelegate& newDelegate) {
    delegate = &newDelegate;
}

std::optional<std::uint64_t> GtkDownload::expectedContentLength() const {
    WebKitURIResponse* response = webkit_download_get_response(download.get());
    if (!response)
        return std::nullopt;
    // An encoded body announces its encoded length, not the length written to disk.
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    const char* encoding = headers ? soup_message_headers_get_one(headers, "Content-Encoding") : nullptr;
    if (encoding && g_ascii_strcasecmp(encoding, "identity") != 0)
        return std::nullopt;
    guint64 length = webkit_uri_response_get_content_length(response);
    return length ? std::optional<std::uint64_t>(length) : std::nullopt;
}

std::uint64_t GtkDownload::receivedDataLength() const {
    return webkit_download_get_received_data_length(download.get());
}

void GtkDownload::cancel() {
    webkit_download_cancel(download.get());
}

gboolean GtkDownload::onDecideDestination(WebKitDownload*, const char* suggestedFilename, gpointer self) {
    auto* gtkDownload = static_cast<GtkDownload*>(self);
    if (!gtkDownload->delegate)
        return FALSE;
    // The completion may come after the download has gone; it holds WebKit's object, not this.
    auto webDownload = std::make_shared<GObjectPtr<WebKitDownload>>(
        GObjectPtr<WebKitDownload>::retain(gtkDownload->download.get()));
    gtkDownload->delegate->decideDestination(
        *gtkDownload, suggestedFilename, [webDownload](std::optional<std::filesystem::path> destination) {
            if (!destination)
                return webkit_download_cancel(webDownload->get());
            // The delegate hands over a file it has reserved for this download: write over it.
            webkit_download_set_allow_overwrite(webDownload->get(), TRUE);
            webkit_download_set_destination(webDownload->get(), destination->c_str());
        });
    return TRUE;
}

void GtkDownload::onFailed(WebKitDownload*, GError* error, gpointer self) {
    auto* gtkDownload = static_cast<GtkDownload*>(self);
    gtkDownload->failed = true;
    if (gtkDownload->delegate)
        gtkDownload->delegate->downloadDidFail(
            *gtkDownload,
            DownloadError{error->message, g_error_matches(error, WEBKIT_DOWNLOAD_ERROR,
                                                          WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER) != FALSE});
}

void GtkDownload::onFinished(WebKitDownload*, gpointer self) {
    auto* gtkDownload = static_cast<GtkDownload*>(self);
    // WebKit also reports "finished" after a failure; the delegate has heard of that already.
    if (gtkDownload->delegate && !gtkDownload->failed)
        gtkDownload->delegate->downloadDidFinish(*gtkDownload);
    gtkDownload->ended(*gtkDownload);
}

} // namespace vorl
