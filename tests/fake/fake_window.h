#pragma once

#include "event_log.h"
#include "platform/sheet_queue.h"
#include "platform/window.h"

#include <optional>
#include <variant>
#include <vector>

namespace vorl::fake {

// Open sheets, which the test ends with a response of its choice.
struct AlertSheet {
    Alert alert;
    AlertCompletion completion;
};
struct OpenPanelSheet {
    OpenPanel panel;
    OpenPanelCompletion completion;
};
struct SavePanelSheet {
    SavePanel panel;
    SavePanelCompletion completion;
};
using Sheet = std::variant<AlertSheet, OpenPanelSheet, SavePanelSheet>;

// Shows its sheets one at a time, as a real window does; the test ends the shown one.
class FakeWindow final : public Window {
public:
    explicit FakeWindow(EventLog& events) : log(events) {}
    void setTitle(const std::string& title) override;
    void setBackgroundColor(Color color) override;
    void setMinSize(Size size) override;
    void setContentView(WebView& view) override;
    void setFrameStore(WindowFrameStore& store) override;
    Size frameSize() override;
    void setFrameSize(Size size) override;
    std::optional<Size> screenArea() override { return screen; }
    void makeKeyAndOrderFront() override;
    void miniaturize() override;
    void toggleMaximized() override;
    void toggleFullScreen() override;
    void beginAlertSheet(const Alert& alert, AlertCompletion completion) override;
    void beginOpenPanelSheet(const OpenPanel& panel, OpenPanelCompletion completion) override;
    void beginSavePanelSheet(const SavePanel& panel, SavePanelCompletion completion) override;
    void endSheets() override;

    std::vector<Alert> alerts() const; // every alert asked for, in order, shown or not
    // Ends the shown sheet, which must be of the kind named; the next one waiting is shown.
    void finishAlert(std::optional<std::size_t> button, const std::string& text = {});
    void finishOpenPanel(ModalResponse response, std::vector<std::filesystem::path> urls = {});
    void finishSavePanel(ModalResponse response, std::optional<std::filesystem::path> url = std::nullopt);
    // The window closes under its sheets: each, shown or waiting, ends as cancelled.
    void closeWithSheets();

    std::optional<Sheet> shown;
    std::string title;
    std::optional<Size> minSize;
    std::optional<Color> backgroundColor;
    WindowFrameStore* frameStore = nullptr;
    Size contentSize;          // from its configuration; it has no menu bar above the content
    std::optional<Size> frame; // as given by setFrameSize
    std::optional<Size> screen;
    WebView* contentView = nullptr;

private:
    template <class T> T takeShown();
    void dismissShown();
    EventLog& log;
    std::vector<Alert> askedAlerts;
    SheetQueue sheets;
};

} // namespace vorl::fake
