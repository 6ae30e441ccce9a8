// A page process that stops answering while a tool page is shown, on fakes of the window's own.

#include "fake/app_fixture.h"
#include "fake/fake_main_window.h"
#include "fake/recording_engine_control.h"
#include "webhost/page_process.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

class Unresponsive : public ::testing::Test {
protected:
    Unresponsive() { shown.web->currentUrl = Url::parse("http://127.0.0.1:8765/"); }
    std::vector<Alert> questions() { return shown.window->alerts(); }

    fake::VirtualTime time;
    fake::FakeMainWindow shown;
    fake::RecordingEngineControl engine;
    PageProcess process{shown.mainWindow, time, time, engine, *Url::parse("file:///e/Auto-Vorudi.html")};
};

TEST_F(Unresponsive, TheUserIsAskedOnceItHasNotAnsweredForTheDelayAndMayReloadOrWait) {
    process.webContentProcessDidBecomeUnresponsive();
    time.advance(unresponsiveQuestionDelay - 0.1);
    EXPECT_TRUE(questions().empty());
    time.advance(0.1);
    ASSERT_EQ(questions().size(), 1u);
    EXPECT_EQ(questions()[0].messageText, "Siden svarer ikke");
    EXPECT_EQ(questions()[0].buttons, (std::vector<std::string>{"Vent", "Last inn på nytt"}));
    process.webContentProcessDidBecomeUnresponsive(); // told again while asking
    time.advance(unresponsiveQuestionDelay);
    EXPECT_EQ(questions().size(), 1u);

    shown.window->finishAlert(0); // wait
    EXPECT_EQ(shown.log.count("web.terminateWebContentProcess"), 0);
    process.webContentProcessDidBecomeResponsive();
    process.webContentProcessDidBecomeUnresponsive();
    time.advance(unresponsiveQuestionDelay);
    shown.window->finishAlert(1); // reload
    EXPECT_LT(shown.log.indexOf("web.terminateWebContentProcess"), shown.log.indexOf("web.reload"));
    EXPECT_TRUE(engine.asked.empty()) << "the page is reloaded as it is, not the engine looked for";
}

TEST_F(Unresponsive, APageThatAnswersAgainInTimeOrIsNoToolPageAsksNothing) {
    process.webContentProcessDidBecomeUnresponsive();
    time.advance(unresponsiveQuestionDelay / 2);
    process.webContentProcessDidBecomeResponsive();
    time.advance(unresponsiveQuestionDelay);
    shown.web->currentUrl = Url::parse("about:blank"); // the splash
    process.webContentProcessDidBecomeUnresponsive();
    time.advance(unresponsiveQuestionDelay);
    EXPECT_TRUE(questions().empty());
}

} // namespace
} // namespace vorl
