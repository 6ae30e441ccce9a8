// Files dragged from the desktop onto the tool's pages: the decisions as tables, and what the
// application asks of the page on the fake platform.

#include "fake/app_fixture.h"
#include "fake/fake_main_window.h"
#include "webhost/desktop_drops.h"
#include "webhost/dialogs.h"
#include "webhost/file_drops.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

TEST(FileDrops, WhatThePageGetsOfADrop) {
    fake::TemporaryHome home;
    const std::filesystem::path recording = home.path() / "opptak ø.wav";
    const std::filesystem::path note = home.path() / "notat.txt";
    fake::writeFile(recording, "RIFF");
    fake::writeFile(note, "");
    std::filesystem::create_directory(home.path() / "mappe");
    std::filesystem::create_symlink(recording, home.path() / "lenke.wav");
    const std::pair<std::vector<std::filesystem::path>, std::vector<std::filesystem::path>> cases[] = {
        {{note, recording}, {note, recording}},
        {{home.path() / "mappe", recording}, {recording}},
        {{home.path() / "mappe"}, {}},
        {{home.path() / "borte.wav", recording}, {recording}},
        {{"relativ.wav", recording}, {recording}},
        {{home.path() / "lenke.wav"}, {home.path() / "lenke.wav"}},
    };
    for (const auto& [dropped, delivered] : cases)
        EXPECT_EQ(droppableFiles(dropped), delivered) << ::testing::PrintToString(dropped);

    const std::tuple<Point, double, Point> points[] = {
        {{300, 150}, 1.0, {300, 150}},
        {{300, 150}, 1.5, {200, 100}},
        {{300, 150}, 0.0, {300, 150}},
    };
    for (const auto& [inView, zoom, client] : points) {
        EXPECT_DOUBLE_EQ(clientPoint(inView, zoom).x, client.x) << zoom;
        EXPECT_DOUBLE_EQ(clientPoint(inView, zoom).y, client.y) << zoom;
    }
}

TEST(FileDrops, OnlyTheInputThatAsksUnderTheDropsOwnTokenGetsItsFiles) {
    const std::string token = handOverToken();
    EXPECT_EQ(token.size(), std::string("application/x-vorl-drop-").size() + 32);
    EXPECT_NE(token, handOverToken()) << "new for each drop";
    EXPECT_TRUE(isHandOverType(token));
    EXPECT_FALSE(isHandOverType("audio/*"));
}

class Drops : public ::testing::Test {
protected:
    fake::FakeWebView& web() { return *shown.web; }
    fake::FakeWindow& window() { return *shown.window; }
    void show(const char* page) { web().currentUrl = Url::parse(page); }
    std::vector<fake::FakeWebView::ScriptCall>& scripts() { return web().scripts; }
    std::string argument(std::size_t script, const char* name) {
        return std::get<std::string>(scripts().at(script).arguments.at(name));
    }
    // A file input asks for files; what it got lands in chosen.
    void choose(std::vector<std::string> acceptedTypes) {
        chosen.reset();
        dialogs.runOpenPanel(true, acceptedTypes, [this](auto files) { chosen = std::move(files); });
    }
    std::optional<std::optional<std::vector<std::filesystem::path>>> chosen;

    fake::TemporaryHome home;
    const std::filesystem::path HOME = home.path();
    fake::FakeMainWindow shown;
    DesktopDrops drops{shown.mainWindow, *Url::parse("file:///tmp/ENG/Auto-Vorudi.html")};
    PageDialogs dialogs{shown.mainWindow, drops};
};

TEST_F(Drops, TheToolsPageHearsTheDragAndGetsTheFilesItsLastDragoverTookThroughItsOwnInput) {
    show("http://127.0.0.1:8765/");
    fake::writeFile(HOME / "lyd.wav", "RIFF");
    EXPECT_TRUE(drops.draggingUpdated({10, 20}, 2));
    EXPECT_TRUE(drops.draggingUpdated({30, 40}, 2));
    ASSERT_EQ(scripts().size(), 2u);
    EXPECT_EQ(argument(0, "phase"), "enter");
    EXPECT_EQ(argument(1, "phase"), "over");
    EXPECT_EQ(std::get<double>(scripts()[1].arguments.at("count")), 2);
    EXPECT_EQ(scripts()[0].world, ScriptWorld::page);

    EXPECT_TRUE(drops.performDragOperation({30, 40}, {HOME / "lyd.wav", HOME}));
    ASSERT_EQ(scripts().size(), 3u);
    EXPECT_EQ(argument(2, "phase"), "over") << "a last dragover decides";
    scripts()[2].completion("taken");
    ASSERT_EQ(scripts().size(), 4u);
    EXPECT_EQ(scripts()[3].world, ScriptWorld::application) << "where no script of the page's sees the token";
    const std::string token = argument(3, "token");

    choose({"audio/*"});
    EXPECT_TRUE(window().shown) << "the page's own input gets a panel";
    window().finishOpenPanel(ModalResponse::cancel);
    choose({token});
    EXPECT_EQ(chosen, std::optional(std::optional(std::vector<std::filesystem::path>{HOME / "lyd.wav"})))
        << "the folder is left out";
    EXPECT_FALSE(window().shown);
    choose({token});
    EXPECT_EQ(chosen, std::optional<std::optional<std::vector<std::filesystem::path>>>(std::in_place))
        << "handed over once only; asked again, the input is answered as cancelled";
    EXPECT_FALSE(window().shown) << "a hand-over's input never gets a panel";

    EXPECT_TRUE(drops.draggingUpdated({1, 1}, 1));
    EXPECT_EQ(argument(4, "phase"), "enter") << "a new drag";
}

TEST_F(Drops, APageThatTakesNoDropThereGetsNoFiles) {
    show("http://127.0.0.1:8765/other");
    fake::writeFile(HOME / "lyd.wav", "RIFF");
    EXPECT_TRUE(drops.performDragOperation({5, 5}, {HOME / "lyd.wav"}));
    scripts()[0].completion("refused");
    ASSERT_EQ(scripts().size(), 2u);
    EXPECT_EQ(argument(1, "phase"), "leave");
    EXPECT_EQ(scripts()[1].world, ScriptWorld::page);
}

TEST_F(Drops, TheSplashAndOtherPagesGetNothing) {
    for (const char* page : {"about:blank", "http://127.0.0.1:9000/", "file:///tmp/Auto-Vorudi.html"}) {
        show(page);
        EXPECT_FALSE(drops.draggingUpdated({5, 5}, 1)) << page;
        drops.draggingExited();
        EXPECT_FALSE(drops.performDragOperation({5, 5}, {HOME})) << page;
    }
    EXPECT_TRUE(scripts().empty());
}

} // namespace
} // namespace vorl
