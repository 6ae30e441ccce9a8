#pragma once

#include "url.h"
#include "values.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorl {

class DownloadDelegate;

// A navigation the page or the application asked for.
struct NavigationAction {
    // Set when the engine marks the navigation itself as a download. WebKitGTK never does:
    // it downloads a link with a download attribute by itself once the navigation is allowed.
    bool shouldPerformDownload = false;
    std::optional<Url> url; // nullopt when the request carries no usable URL
};

struct NavigationResponse {
    bool canShowMIMEType = true;
};

enum class NavigationActionPolicy { cancel, allow, download };
enum class NavigationResponsePolicy { cancel, allow, download };

// Why a load failed before anything of it was shown.
struct DownloadError {
    std::string localizedDescription;
    bool isCancellation = false; // the download was cancelled, by the application or the user
};

enum class NavigationFailure {
    cannotConnectToHost, // nothing accepted the connection
    interrupted,         // the engine stopped it: it became a download, a policy cancelled it,
                         // or a newer navigation replaced it
    other,               // anything else, a time-out among them
};

// Why the process that showed the page ended under it.
enum class WebContentProcessTermination {
    crashed,
    exceededMemoryLimit,
};

// A transfer that WebKit runs and owns. The object lives until the download has finished or
// failed.
class Download {
public:
    virtual ~Download() = default;
    // The delegate decides the destination and hears how the transfer ends.
    virtual void setDelegate(DownloadDelegate& delegate) = 0;
    // The length the response announced, when it announced one.
    virtual std::optional<std::uint64_t> expectedContentLength() const = 0;
    virtual std::uint64_t receivedDataLength() const = 0;
    // Stops the transfer from writing. The delegate hears of it as a cancelled failure, later,
    // or never when the application is ending.
    virtual void cancel() = 0;
};

// The page's dialogs. Every completion must be called exactly once, on the main thread; the
// page's script waits for it.
class DialogDelegate {
public:
    virtual ~DialogDelegate() = default;
    virtual void runJavaScriptAlertPanel(const std::string& message, std::function<void()> completion) = 0;
    virtual void runJavaScriptConfirmPanel(const std::string& message,
                                           std::function<void(bool)> completion) = 0;
    // completion receives nullopt when the user cancelled (null in the page).
    virtual void runJavaScriptTextInputPanel(const std::string& prompt,
                                             const std::optional<std::string>& defaultText,
                                             std::function<void(std::optional<std::string>)> completion) = 0;
    // A file input; completion receives the chosen files, or nullopt for no selection.
    // acceptedTypes are the input's accept attribute: MIME types and file name extensions.
    virtual void runOpenPanel(
        bool allowsMultipleSelection, const std::vector<std::string>& acceptedTypes,
        std::function<void(std::optional<std::vector<std::filesystem::path>>)> completion) = 0;
    // The page asks whether it may be left; completion receives the answer.
    virtual void runBeforeUnloadConfirmPanel(const std::string& message,
                                             std::function<void(bool)> completion) = 0;
};

class MagnificationDelegate {
public:
    virtual ~MagnificationDelegate() = default;
    // The user pinched or Ctrl-scrolled towards zoom; the delegate sets the page zoom it allows.
    virtual void didRequestPageZoom(double zoom) = 0;
};

// Files dragged from outside the application over the view, point in the view's own
// coordinates. Each is called on the main thread; the view itself does nothing with such a
// drag, nor with its drop, whatever the delegate answers.
class FileDragDelegate {
public:
    virtual ~FileDragDelegate() = default;
    // As the drag enters and each time it moves, with how many files it carries as far as known
    // yet. answer tells, now or later, whether a drop would be taken there; the pointer shows the
    // latest answer.
    virtual void draggingUpdated(Point point, std::size_t fileCount,
                                 std::function<void(bool taken)> answer) = 0;
    // The drag has left the view, or was given up.
    virtual void draggingExited() = 0;
    // The drag was dropped: files are the local paths of what was dropped, in the source's
    // order. Whether the drop was taken.
    virtual bool performDragOperation(Point point, std::vector<std::filesystem::path> files) = 0;
};

class NavigationDelegate {
public:
    virtual ~NavigationDelegate() = default;
    // Each decision handler is called exactly once, before the method returns.
    virtual void decidePolicyForNavigationAction(
        const NavigationAction& action, std::function<void(NavigationActionPolicy)> decisionHandler) = 0;
    virtual void decidePolicyForNavigationResponse(
        const NavigationResponse& response,
        std::function<void(NavigationResponsePolicy)> decisionHandler) = 0;
    // A pop-up or a link with a target of its own. No second web view is ever made.
    virtual void createWebView(const NavigationAction& action) = 0;
    // A navigation or a response of this view became a download.
    virtual void navigationDidBecomeDownload(Download& download) = 0;
    // A load failed before anything of it was shown.
    virtual void didFailProvisionalNavigation(NavigationFailure failure) = 0;
};

// The process that shows the page. Each is called on the main thread.
class ContentProcessDelegate {
public:
    virtual ~ContentProcessDelegate() = default;
    // It has ended by itself: the view shows nothing live until something is loaded into it again.
    virtual void webContentProcessDidTerminate(WebContentProcessTermination reason) = 0;
    // It has not answered the window for a few seconds (the platform notices when the window
    // asks something of it, such as the user's input), and later answers again.
    virtual void webContentProcessDidBecomeUnresponsive() = 0;
    virtual void webContentProcessDidBecomeResponsive() = 0;
};

class DownloadDelegate {
public:
    virtual ~DownloadDelegate() = default;
    // The transfer waits until completion is called with an absolute path to write to, or
    // with nullopt, which cancels it.
    virtual void decideDestination(Download& download, const std::string& suggestedFilename,
                                   std::function<void(std::optional<std::filesystem::path>)> completion) = 0;
    // Exactly one of the two below ends every download.
    virtual void downloadDidFinish(Download& download) = 0;
    virtual void downloadDidFail(Download& download, const DownloadError& error) = 0;
};

} // namespace vorl
