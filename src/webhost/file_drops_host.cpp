// Files dragged from the desktop onto the tool's pages reach the page's own drag and drop
// handlers, as they would in a browser; anything dropped where nothing takes it is ignored.

#include "app/app_delegate.h"
#include "webhost/file_drops.h"
#include "webhost/page_scripts.h"
#include "webhost/tool_pages.h"

namespace vorl {
namespace {

// The page's drag events for one step of the drag; answered with what the page did with them.
void dispatchDragEvents(
    WebView& web, const ScriptArguments& step,
    std::function<void(std::optional<std::string>)> answered = [](auto) {}) {
    web.callAsyncJavaScript(std::string(dragEventsScript), step, ScriptWorld::page, std::move(answered));
}

} // namespace

bool AppDelegate::draggingUpdated(Point point, std::size_t fileCount) {
    if (!isToolPage(web->url(), builtInPage()))
        return false;
    std::string phase = std::exchange(dragging, true) ? "over" : "enter";
    dispatchDragEvents(*web, dragEventArguments(phase, clientPoint(point, web->pageZoom()), fileCount));
    return true;
}

void AppDelegate::draggingExited() {
    if (!std::exchange(dragging, false) || !isToolPage(web->url(), builtInPage()))
        return;
    dispatchDragEvents(*web, dragEventArguments("leave", {}, 0));
}

bool AppDelegate::performDragOperation(Point point, std::vector<std::filesystem::path> dropped) {
    dragging = false;
    if (!isToolPage(web->url(), builtInPage()))
        return false;
    std::vector<std::filesystem::path> files = droppableFiles(dropped);
    Point client = clientPoint(point, web->pageZoom());
    // A last dragover decides, as in a browser: a page that takes no drop there gets none.
    dispatchDragEvents(
        *web, dragEventArguments("over", client, files.size()),
        [this, client, files](std::optional<std::string> answer) {
            bool taken = answer == "taken" && !files.empty() && isToolPage(web->url(), builtInPage());
            if (!taken)
                return dispatchDragEvents(*web, dragEventArguments("leave", {}, 0));
            std::string token = handOverToken();
            handOver = HandOver{token, files};
            web->callAsyncJavaScript(std::string(handOverFilesScript),
                                     ScriptArguments{{"x", client.x}, {"y", client.y}, {"token", token}},
                                     ScriptWorld::application, [this, token](std::optional<std::string>) {
                                         // Handed over by now, or never to be.
                                         if (handOver && handOver->token == token)
                                             handOver.reset();
                                     });
        });
    return true;
}

} // namespace vorl
