// Which of the page's answers the pointer shows during a drag from the desktop.

#include "platform/drag_answers.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

TEST(DragAnswers, ThePointerShowsTheLatestAnswerToComeAndNoneOfAnEndedDrag) {
    DragAnswers answers;
    unsigned first = answers.ask(), second = answers.ask();
    EXPECT_TRUE(answers.hear(first, true)) << "a page slower than the pointer still moves it on";
    EXPECT_TRUE(answers.taken());
    EXPECT_TRUE(answers.hear(second, false));
    EXPECT_FALSE(answers.taken());

    unsigned third = answers.ask(), fourth = answers.ask();
    EXPECT_TRUE(answers.hear(fourth, true));
    EXPECT_FALSE(answers.hear(third, false)) << "older than one shown";
    EXPECT_TRUE(answers.taken());

    unsigned last = answers.ask();
    answers.end();
    EXPECT_FALSE(answers.taken());
    EXPECT_FALSE(answers.hear(last, true)) << "the drag has ended";
    EXPECT_FALSE(answers.taken());
}

} // namespace
} // namespace vorl
