#include "desktop_drops.h"

#include "webhost/file_drops.h"
#include "webhost/tool_pages.h"

namespace vorl {
namespace {

constexpr const char* dragStepScript = "return window[Symbol.for('vorl.drops')].step(phase, x, y, count);";
constexpr const char* dropScript =
    "return await window[Symbol.for('vorl.drops')].drop(x, y, files, drop, items);";

} // namespace

DesktopDrops::DesktopDrops(MainWindow& shownIn, Url builtIn, HandOvers& files, DroppedFolders& dropped)
    : mainWindow(shownIn), builtInPage(std::move(builtIn)), handOvers(files), folders(dropped) {}

bool DesktopDrops::onToolPage() const {
    return isToolPage(mainWindow.web().shownDocument().url, builtInPage);
}

void DesktopDrops::dispatch(const std::string& phase, Point client, std::size_t count,
                            std::function<void(const std::string& answer)> answered) {
    WebView& web = mainWindow.web();
    unsigned document = web.shownDocument().number;
    web.callAsyncJavaScript(dragStepScript, dragEventArguments(phase, client, count), ScriptWorld::page,
                            [this, document, answered](std::optional<std::string> answer) {
                                if (answered && mainWindow.web().shownDocument().number == document)
                                    answered(answer.value_or("refused"));
                            });
}

void DesktopDrops::draggingUpdated(Point point, std::size_t fileCount,
                                   std::function<void(bool taken)> answer) {
    if (!onToolPage())
        return answer(false);
    std::string phase = std::exchange(dragging, true) ? "over" : "enter";
    dispatch(phase, clientPoint(point, mainWindow.web().pageZoom()), fileCount,
             [answer](const std::string& result) { answer(result == "taken"); });
}

void DesktopDrops::draggingExited() {
    if (std::exchange(dragging, false) && onToolPage())
        dispatch("leave", {}, 0);
}

bool DesktopDrops::performDragOperation(Point point, std::vector<std::filesystem::path> dropped) {
    dragging = false;
    if (!onToolPage())
        return false;
    Point client = clientPoint(point, mainWindow.web().pageZoom());
    // A last dragover decides, as in a browser: a page that takes no drop there gets none, and a
    // document that has gone by the time it answers gets neither the drop nor its leave.
    dispatch("over", client, dropped.size(), [this, client, dropped](const std::string& answer) {
        if (answer == "taken" && !dropped.empty())
            return handOverDrop(client, dropped);
        dispatch("leave", {}, 0);
    });
    return true;
}

void DesktopDrops::handOverDrop(Point client, const std::vector<std::filesystem::path>& dropped) {
    DroppedFolders::Drop drop = folders.add(dropped);
    if (drop.items == "[]")
        return dispatch("leave", {}, 0);
    std::string files = handOvers.offer(drop.files);
    mainWindow.web().callAsyncJavaScript(
        dropScript,
        ScriptArguments{
            {"x", client.x}, {"y", client.y}, {"files", files}, {"drop", drop.id}, {"items", drop.items}},
        ScriptWorld::page, [this, files](std::optional<std::string>) {
            // Handed over by now, or never to be.
            handOvers.withdraw(files);
        });
}

} // namespace vorl
