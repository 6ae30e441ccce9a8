#pragma once

#include "base/main_window.h"
#include "platform/web_view_delegates.h"
#include "webhost/file_hand_overs.h"

#include <map>
#include <string>

namespace vorl {

// Files dragged from the desktop onto the tool's pages reach the page's own drag and drop
// handlers, as they would in a browser; anything dropped where nothing takes it is ignored. The
// dropped files go to the page through a file input of the application's own, which asks for
// them under a token new for each drop.
class DesktopDrops final : public FileDragDelegate, public FileHandOvers {
public:
    DesktopDrops(MainWindow& mainWindow, Url builtInPage);

    bool draggingUpdated(Point point, std::size_t fileCount) override;
    void draggingExited() override;
    bool performDragOperation(Point point, std::vector<std::filesystem::path> files) override;

    bool isHandOver(const std::vector<std::string>& acceptedTypes) const override;
    void handOver(const std::vector<std::string>& acceptedTypes, FileChooserCompletion completion) override;

private:
    bool onToolPage() const;
    void handOverDrop(Point client, std::vector<std::filesystem::path> files);

    MainWindow& mainWindow;
    const Url builtInPage;
    bool dragging = false; // files from the desktop are over a tool page
    // Files dropped on the page, on their way to it, by the token their input asks under.
    std::map<std::string, std::vector<std::filesystem::path>> handOvers;
};

} // namespace vorl
