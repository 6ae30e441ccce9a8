#include "desktop_drops.h"

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

DesktopDrops::DesktopDrops(MainWindow& shownIn, Url builtIn)
    : mainWindow(shownIn), builtInPage(std::move(builtIn)) {}

bool DesktopDrops::onToolPage() const {
    return isToolPage(mainWindow.web().url(), builtInPage);
}

bool DesktopDrops::draggingUpdated(Point point, std::size_t fileCount) {
    if (!onToolPage())
        return false;
    WebView& web = mainWindow.web();
    std::string phase = std::exchange(dragging, true) ? "over" : "enter";
    dispatchDragEvents(web, dragEventArguments(phase, clientPoint(point, web.pageZoom()), fileCount));
    return true;
}

void DesktopDrops::draggingExited() {
    if (!std::exchange(dragging, false) || !onToolPage())
        return;
    dispatchDragEvents(mainWindow.web(), dragEventArguments("leave", {}, 0));
}

bool DesktopDrops::performDragOperation(Point point, std::vector<std::filesystem::path> dropped) {
    dragging = false;
    if (!onToolPage())
        return false;
    std::vector<std::filesystem::path> files = droppableFiles(dropped);
    Point client = clientPoint(point, mainWindow.web().pageZoom());
    // A last dragover decides, as in a browser: a page that takes no drop there gets none.
    dispatchDragEvents(mainWindow.web(), dragEventArguments("over", client, files.size()),
                       [this, client, files](std::optional<std::string> answer) {
                           if (answer == "taken" && !files.empty() && onToolPage())
                               return handOverDrop(client, files);
                           dispatchDragEvents(mainWindow.web(), dragEventArguments("leave", {}, 0));
                       });
    return true;
}

void DesktopDrops::handOverDrop(Point client, std::vector<std::filesystem::path> files) {
    std::string token = handOverToken();
    handOvers[token] = std::move(files);
    mainWindow.web().callAsyncJavaScript(std::string(handOverFilesScript),
                                         ScriptArguments{{"x", client.x}, {"y", client.y}, {"token", token}},
                                         ScriptWorld::application, [this, token](std::optional<std::string>) {
                                             // Handed over by now, or never to be.
                                             handOvers.erase(token);
                                         });
}

bool DesktopDrops::isHandOver(const std::vector<std::string>& acceptedTypes) const {
    return acceptedTypes.size() == 1 && isHandOverType(acceptedTypes.front());
}

void DesktopDrops::handOver(const std::vector<std::string>& acceptedTypes, FileChooserCompletion completion) {
    auto files = acceptedTypes.size() == 1 ? handOvers.extract(acceptedTypes.front())
                                           : decltype(handOvers)::node_type();
    if (files.empty())
        return completion(std::nullopt); // no drop of the page's is waiting under that type
    completion(std::move(files.mapped()));
}

} // namespace vorl
