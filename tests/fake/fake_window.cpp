#include "fake_window.h"

namespace vorl::fake {

void FakeWindow::setTitle(const std::string& newTitle) {
    log.add("window.setTitle");
    title = newTitle;
}

void FakeWindow::setBackgroundColor(Color color) {
    log.add("window.setBackgroundColor");
    backgroundColor = color;
}

void FakeWindow::setMinSize(Size size) {
    log.add("window.setMinSize");
    minSize = size;
}

void FakeWindow::setContentView(WebView& view) {
    log.add("window.setContentView");
    contentView = &view;
}

void FakeWindow::setFrameStore(WindowFrameStore& store) {
    log.add("window.setFrameStore");
    frameStore = &store;
}

Size FakeWindow::frameSize() {
    if (frame)
        return *frame;
    std::optional<WindowFrame> kept = frameStore ? frameStore->load() : std::nullopt;
    if (kept && kept->width > 0)
        return Size{static_cast<double>(kept->width), static_cast<double>(kept->height)};
    return contentSize;
}

void FakeWindow::setFrameSize(Size size) {
    log.add("window.setFrameSize");
    frame = size;
}

void FakeWindow::makeKeyAndOrderFront() {
    log.add("window.makeKeyAndOrderFront");
}
void FakeWindow::miniaturize() {
    log.add("window.miniaturize");
}
void FakeWindow::toggleMaximized() {
    log.add("window.toggleMaximized");
}
void FakeWindow::toggleFullScreen() {
    log.add("window.toggleFullScreen");
}

void FakeWindow::beginAlertSheet(const Alert& alert, AlertCompletion completion) {
    log.add("window.beginAlertSheet " + alert.messageText);
    askedAlerts.push_back(alert);
    sheets.add(std::move(completion), [this, alert](AlertCompletion answer) {
        shown = AlertSheet{alert, std::move(answer)};
        return [this] { dismissShown(); };
    });
}

void FakeWindow::beginOpenPanelSheet(const OpenPanel& panel, OpenPanelCompletion completion) {
    log.add("window.beginOpenPanelSheet");
    sheets.add(std::move(completion), [this, panel](OpenPanelCompletion answer) {
        shown = OpenPanelSheet{panel, std::move(answer)};
        return [this] { dismissShown(); };
    });
}

void FakeWindow::beginSavePanelSheet(const SavePanel& panel, SavePanelCompletion completion) {
    log.add("window.beginSavePanelSheet");
    sheets.add(std::move(completion), [this, panel](SavePanelCompletion answer) {
        shown = SavePanelSheet{panel, std::move(answer)};
        return [this] { dismissShown(); };
    });
}

void FakeWindow::endSheets() {
    log.add("window.endSheets");
    sheets.endAll();
}

std::vector<Alert> FakeWindow::alerts() const {
    return askedAlerts;
}

template <class T> T FakeWindow::takeShown() {
    if (!shown || !std::holds_alternative<T>(*shown))
        throw std::logic_error("the window shows no sheet of that kind");
    T taken = std::move(std::get<T>(*shown));
    shown.reset();
    return taken;
}

void FakeWindow::finishAlert(std::optional<std::size_t> button, const std::string& text) {
    takeShown<AlertSheet>().completion(AlertResult{button, text});
}

void FakeWindow::finishOpenPanel(ModalResponse response, std::vector<std::filesystem::path> urls) {
    takeShown<OpenPanelSheet>().completion(response, std::move(urls));
}

void FakeWindow::finishSavePanel(ModalResponse response, std::optional<std::filesystem::path> url) {
    takeShown<SavePanelSheet>().completion(response, std::move(url));
}

void FakeWindow::closeWithSheets() {
    log.add("window.close");
    sheets.close();
    dismissShown();
}

void FakeWindow::dismissShown() {
    if (!shown)
        return;
    Sheet closing = std::move(*shown);
    shown.reset();
    std::visit([](auto& open) { answerCancelled(open.completion); }, closing);
}

} // namespace vorl::fake
