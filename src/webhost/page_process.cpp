#include "page_process.h"

#include "base/product.h"
#include "webhost/navigation_rules.h"
#include "webhost/tool_pages.h"

namespace vorl {
namespace {

constexpr std::size_t reloadButton = 1;

Alert unresponsivePageQuestion() {
    Alert question =
        alert("Siden svarer ikke",
              "Siden i vinduet har sluttet å svare. Du kan vente til den svarer igjen, eller laste "
              "den inn på nytt. Det som ikke er lagret på siden, går da tapt.",
              AlertStyle::warning);
    question.buttons = {"Vent", "Last inn på nytt"};
    return question;
}

} // namespace

PageProcess::PageProcess(MainWindow& shownIn, Clock& wallClock, MainQueue& queue, EngineControl& supervision,
                         Url builtIn)
    : mainWindow(shownIn), clock(wallClock), mainQueue(queue), engine(supervision),
      builtInPage(std::move(builtIn)) {}

void PageProcess::webContentProcessDidTerminate(WebContentProcessTermination reason) {
    unresponsive = 0;
    switch (recordContentProcessDeath(deaths, clock.now())) {
    case ContentProcessOutcome::recover:
        return engine.recoverEnginePage();
    case ContentProcessOutcome::giveUp:
        return engine.fallback(EngineWarning{reason == WebContentProcessTermination::exceededMemoryLimit
                                                 ? FallbackReason::pageOutOfMemoryThrice
                                                 : FallbackReason::pageCrashedThrice});
    }
}

void PageProcess::webContentProcessDidBecomeUnresponsive() {
    if (unresponsive || !isToolPage(mainWindow.web().url(), builtInPage))
        return;
    unsigned spell = unresponsive = ++lastSpell;
    mainQueue.asyncAfter(unresponsiveQuestionDelay, [this, spell] {
        if (unresponsive == spell && !asking)
            askWhetherToWait();
    });
}

void PageProcess::webContentProcessDidBecomeResponsive() {
    unresponsive = 0;
}

void PageProcess::askWhetherToWait() {
    asking = true;
    // A page that answers again while the question is shown is reloaded only if the user asks.
    mainWindow.window().beginAlertSheet(unresponsivePageQuestion(), [this](const AlertResult& result) {
        asking = false;
        if (result.button != reloadButton)
            return;
        unresponsive = 0;
        WebView& web = mainWindow.web();
        web.terminateWebContentProcess();
        web.reload();
    });
}

} // namespace vorl
