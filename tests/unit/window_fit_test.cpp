// The window's sizes on screens of any size and scale.

#include "fake/app_fixture.h"
#include "shell/window_fit.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

void expectSize(Size size, Size expected, const std::string& what) {
    EXPECT_EQ(size.width, expected.width) << what;
    EXPECT_EQ(size.height, expected.height) << what;
}

TEST(WindowFit, WhatDoesNotFitTheScreenIsCutDownToItsAreaTheMinimumToo) {
    const Size firstRun{1440, 960}; // 920 of page below the menu bar
    const Size minimum{980, 640};
    struct Case {
        const char* screen;
        Size frame;
        std::optional<Size> area;
        Size fittedFrame;
        Size fittedMinimum;
    };
    const Case cases[] = {
        {"1920 × 1080 at scale 1", firstRun, Size{1920, 1080}, firstRun, minimum},
        {"1920 × 1080 at scale 2", firstRun, Size{960, 540}, {960, 540}, {960, 540}},
        {"1366 × 768 under a panel", firstRun, Size{1366, 741}, {1366, 741}, minimum},
        {"a kept frame from a larger monitor", {3000, 2000}, Size{1920, 1080}, {1920, 1080}, minimum},
        {"no screen known", {3000, 2000}, std::nullopt, {3000, 2000}, minimum},
    };
    for (const Case& row : cases) {
        WindowSizes sizes = fittedToScreen(row.frame, minimum, row.area);
        expectSize(sizes.frame, row.fittedFrame, std::string("frame on ") + row.screen);
        expectSize(sizes.minimum, row.fittedMinimum, std::string("minimum on ") + row.screen);
    }
}

class WindowSize : public fake::AppFixture {};

TEST_F(WindowSize, AKeptFrameLargerThanTheScreenIsCutDownToIt) {
    fake::writeFile(platform.configDirectory() / "VORL Vorudi" / "VORLVorudiHovedvindu.ini",
                    "[Ramme]\nbredde=3000\nhoyde=2000\nmaksimert=false\n");
    platform.screenArea = Size{1920, 1080};
    launch();
    ASSERT_TRUE(window().frame);
    expectSize(*window().frame, {1920, 1080}, "the frame");
    expectSize(*window().minSize, {980, 640}, "the minimum");
}

} // namespace
} // namespace vorl
