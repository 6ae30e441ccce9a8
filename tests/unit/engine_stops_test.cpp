#include "engine/engine_stops.h"
#include "engine/log_tail.h"
#include "fake/app_fixture.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

TEST(EngineStops, TheFirstWithinFiveMinutesRelaunchesTheSecondPausesTheThirdGivesUpAndStartsAnew) {
    using enum EngineStopOutcome;
    using std::chrono::seconds;
    const Date start{};
    struct Case {
        std::vector<int> stopsAtSeconds;
        std::vector<EngineStopOutcome> outcomes;
    };
    const Case cases[] = {
        {{0, 10, 20}, {relaunch, relaunchAfterPause, giveUp}},
        {{0, 10, 20, 30}, {relaunch, relaunchAfterPause, giveUp, relaunch}},
        {{0, 299, 300}, {relaunch, relaunchAfterPause, relaunchAfterPause}}, // the first is 5 min old
        {{0, 300, 600, 900}, {relaunch, relaunch, relaunch, relaunch}},
        {{0, 200, 350, 410}, {relaunch, relaunchAfterPause, relaunchAfterPause, giveUp}},
    };
    for (const Case& c : cases) {
        std::vector<Date> stops;
        std::vector<EngineStopOutcome> outcomes;
        for (int at : c.stopsAtSeconds)
            outcomes.push_back(recordEngineStop(stops, start + seconds(at)));
        EXPECT_EQ(outcomes, c.outcomes) << testing::PrintToString(c.stopsAtSeconds);
    }
}

TEST(LogTail, TheLastLaunchsLastLinesWithinTwelveLinesAndTwoThousandCharacters) {
    const std::string header = "=== start 2026-03-04 05:06:07 +0000 (app) ===\n";
    std::string thirteen;
    for (int line = 1; line <= 13; ++line)
        thirteen += "linje " + std::to_string(line) + "\n";
    std::string twelveFrom2;
    for (int line = 2; line <= 13; ++line)
        twelveFrom2 += (line > 2 ? "\n" : "") + std::string("linje ") + std::to_string(line);
    const std::string longLine(2500, 'x');
    const std::string nearlyFull(1990, 'y');
    const std::pair<std::string, std::string> cases[] = {
        {header + "første\n" + header + "andre\ntredje\n", "andre\ntredje"},
        {"uten hode\n", "uten hode"},
        {header, ""},
        {header + "slutt\n\n  \n", "slutt"},
        {header + thirteen, twelveFrom2},
        {header + "kort\n" + longLine + "\n", std::string(2000, 'x')},
        {header + "kort\n" + nearlyFull + "\n", "kort\n" + nearlyFull},
        {header + "tidlig\n" + nearlyFull + "\nsist\n", nearlyFull + "\nsist"},
        {header + "bl\xC3\xA5 \xFF farge\x1b[0m\tfane\r\n", "blå \xEF\xBF\xBD farge[0m\tfane"},
        {header + "\xE2\x80\x93\n", "\xE2\x80\x93"},
        // No control character but tab and line feed: DEL and the C1 controls (a terminal's CSI,
        // NEL) are left out, a no-break space is text.
        {header + "a\x7f"
                  "b\xC2\x9B"
                  "2Jc\xC2\x85"
                  "d\xC2\xA0"
                  "e\xC2\x80\xC2\x9F\n",
         "ab2Jcd\xC2\xA0"
         "e"},
    };
    for (const auto& [log, tail] : cases)
        EXPECT_EQ(logTail(log), tail) << log.substr(0, 120);
}

TEST(LogTail, ReadFromTheFilesEndOrNothingWhereItCannotBeRead) {
    fake::TemporaryHome home;
    std::filesystem::path log = home.path() / "motor.log";
    EXPECT_EQ(readLogTail(log), std::nullopt);
    std::string earlier(200000, 'z');
    for (int line = 0; line < 4000; ++line)
        earlier += "linje " + std::to_string(line) + "\n";
    fake::writeFile(log, "=== start 2026-03-04 05:06:07 +0000 (app) ===\n" + earlier + "slutt\n");
    std::optional<std::string> tail = readLogTail(log);
    ASSERT_TRUE(tail);
    EXPECT_TRUE(tail->starts_with("linje 3989\n")) << *tail;
    EXPECT_TRUE(tail->ends_with("linje 3999\nslutt")) << *tail;
    fake::writeFile(log, "første\nandre\n"); // shorter than a read: nothing of it is cut
    EXPECT_EQ(readLogTail(log), "første\nandre");
    std::filesystem::create_directory(home.path() / "mappe");
    EXPECT_EQ(readLogTail(home.path() / "mappe"), std::nullopt);
}

} // namespace
} // namespace vorl
