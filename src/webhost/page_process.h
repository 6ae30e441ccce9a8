#pragma once

#include "base/main_window.h"
#include "engine/engine_control.h"
#include "platform/clock.h"
#include "platform/main_queue.h"
#include "platform/web_view_delegates.h"

#include <vector>

namespace vorl {

// The process that shows the page, looked after: one that dies brings the engine's page back,
// until it dies a third time within a minute; one that stops answering while a tool page is shown
// is noticed, and once it has not answered for unresponsiveQuestionDelay more the user is asked
// whether to wait or to reload the page.
class PageProcess final : public ContentProcessDelegate {
public:
    PageProcess(MainWindow& mainWindow, Clock& clock, MainQueue& mainQueue, EngineControl& engine,
                Url builtInPage);

    void webContentProcessDidTerminate(WebContentProcessTermination reason) override;
    void webContentProcessDidBecomeUnresponsive() override;
    void webContentProcessDidBecomeResponsive() override;

private:
    void askWhetherToWait();

    MainWindow& mainWindow;
    Clock& clock;
    MainQueue& mainQueue;
    EngineControl& engine;
    const Url builtInPage;
    std::vector<Date> deaths;  // within the last minute, oldest first
    unsigned unresponsive = 0; // the current spell of not answering, counted; 0 while it answers
    unsigned lastSpell = 0;
    bool asking = false; // the question is on screen
};

// WebKit notices that the page does not answer after about 3 s; the user is asked 5 s after that.
inline constexpr Seconds unresponsiveQuestionDelay = 5.0;

} // namespace vorl
