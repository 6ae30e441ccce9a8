// Files dragged from the desktop onto the tool's pages reach the page's own drag and drop
// handlers, as they would in a browser; anything dropped where nothing takes it is ignored.

#include "app/app_delegate.h"
#include "webhost/file_drops.h"
#include "webhost/page_scripts.h"
#include "webhost/tool_pages.h"

namespace vorl {

bool AppDelegate::draggingUpdated(Point point, std::size_t fileCount) {
    if (!isToolPage(web->url(), builtInPage()))
        return false;
    std::string phase = std::exchange(dragging, true) ? "over" : "enter";
    web->callAsyncJavaScript(std::string(dragEventsScript),
                             dragEventArguments(phase, clientPoint(point, web->pageZoom()), fileCount),
                             ScriptWorld::page, [](std::optional<std::string>) {});
    return true;
}

void AppDelegate::draggingExited() {
    if (!std::exchange(dragging, false) || !isToolPage(web->url(), builtInPage()))
        return;
    web->callAsyncJavaScript(std::string(dragEventsScript), dragEventArguments("leave", {}, 0),
                             ScriptWorld::page, [](std::optional<std::string>) {});
}

bool AppDelegate::performDragOperation(Point point, std::vector<std::filesystem::path> dropped) {
    dragging = false;
    if (!isToolPage(web->url(), builtInPage()))
        return false;
    std::vector<std::filesystem::path> files = droppableFiles(dropped);
    Point client = clientPoint(point, web->pageZoom());
    // A last dragover decides, as in a browser: a page that takes no drop there gets none.
    web->callAsyncJavaScript(
        std::string(dragEventsScript), dragEventArguments("over", client, files.size()), ScriptWorld::page,
        [this, client, files](std::optional<std::string> answer) {
            bool taken = answer == "taken" && !files.empty() && isToolPage(web->url(), builtInPage());
            if (!taken)
                return web->callAsyncJavaScript(std::string(dragEventsScript),
                                                dragEventArguments("leave", {}, 0), ScriptWorld::page,
                                                [](std::optional<std::string>) {});
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
