#pragma once

#include "base/main_window.h"
#include "platform/web_view_delegates.h"
#include "webhost/dropped_folders.h"
#include "webhost/hand_overs.h"

namespace vorl {

// Files and folders dragged from the desktop onto the tool's pages reach the page's own drag and
// drop handlers, as they would in a browser (page_drops.js); anything dropped where nothing takes
// it is ignored. A page is judged by the document it shows, and a drop goes only to the document
// it was dropped on.
class DesktopDrops final : public FileDragDelegate {
public:
    DesktopDrops(MainWindow& mainWindow, Url builtInPage, HandOvers& handOvers, DroppedFolders& folders);

    void draggingUpdated(Point point, std::size_t fileCount, std::function<void(bool taken)> answer) override;
    void draggingExited() override;
    bool performDragOperation(Point point, std::vector<std::filesystem::path> files) override;

private:
    bool onToolPage() const;
    // One step of the drag on the page; answered with what the page did, on the document that
    // was shown when it was asked, or not at all once another is.
    void dispatch(const std::string& phase, Point client, std::size_t count,
                  std::function<void(const std::string& answer)> answered = {});
    void handOverDrop(Point client, const std::vector<std::filesystem::path>& dropped);

    MainWindow& mainWindow;
    const Url builtInPage;
    HandOvers& handOvers;
    DroppedFolders& folders;
    bool dragging = false; // files from the desktop are over a tool page
};

} // namespace vorl
