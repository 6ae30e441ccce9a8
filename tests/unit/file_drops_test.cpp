// Files dragged from the desktop onto the tool's pages: the decisions as tables, and what the
// application asks of the page, on fakes of the window's own.

#include "fake/app_fixture.h"
#include "fake/fake_main_window.h"
#include "webhost/desktop_drops.h"
#include "webhost/dialogs.h"
#include "webhost/file_drops.h"

#include <gtest/gtest.h>

#include <set>

namespace vorl {
namespace {

using Files = std::vector<std::filesystem::path>;

TEST(FileDrops, WhereThePageSeesThePointAndUnderWhatItsFilesAreHandedOver) {
    const std::tuple<Point, double, Point> points[] = {
        {{300, 150}, 1.0, {300, 150}},
        {{300, 150}, 1.5, {200, 100}},
        {{300, 150}, 0.0, {300, 150}},
    };
    for (const auto& [inView, zoom, client] : points) {
        EXPECT_DOUBLE_EQ(clientPoint(inView, zoom).x, client.x) << zoom;
        EXPECT_DOUBLE_EQ(clientPoint(inView, zoom).y, client.y) << zoom;
    }
    // Not to be guessed: every token new, and each of its digits any of the sixteen.
    std::set<std::string> tokens;
    std::set<char> digits;
    const std::string prefix = "application/x-vorl-drop-";
    for (int drop = 0; drop < 40; ++drop) {
        std::string token = handOverToken();
        ASSERT_EQ(token.size(), prefix.size() + 32);
        EXPECT_TRUE(isHandOverType(token));
        tokens.insert(token);
        digits.insert(token.begin() + static_cast<long>(prefix.size()), token.end());
    }
    EXPECT_EQ(tokens.size(), 40u);
    EXPECT_EQ(digits.size(), 16u);
    EXPECT_FALSE(isHandOverType("audio/*"));
}

class Drops : public ::testing::Test {
protected:
    Drops() { show("http://127.0.0.1:8765/"); }
    fake::FakeWebView& web() { return *shown.web; }
    fake::FakeWindow& window() { return *shown.window; }
    void show(const char* page) {
        web().currentUrl = Url::parse(page);
        ++web().documentNumber;
    }
    std::vector<fake::FakeWebView::ScriptCall>& scripts() { return web().scripts; }
    std::string argument(std::size_t script, const char* name) {
        return std::get<std::string>(scripts().at(script).arguments.at(name));
    }
    bool isDrop(std::size_t script) { return scripts().at(script).body.find(".drop(") != std::string::npos; }
    // A file input asks for files under acceptedTypes; what it got by now.
    std::optional<std::optional<Files>> choose(std::vector<std::string> acceptedTypes) {
        chosen.reset();
        dialogs.runOpenPanel(true, acceptedTypes, [this](auto files) { chosen = std::move(files); });
        return chosen;
    }
    std::optional<std::optional<Files>> chosen;
    // Drops paths; the page's last dragover answers.
    void drop(Files paths, const char* answer) {
        EXPECT_TRUE(drops.performDragOperation({30, 40}, std::move(paths)));
        scripts().back().completion(answer);
    }
    std::filesystem::path fixture(const char* name) {
        fake::writeFile(home.path() / name, "RIFF");
        return home.path() / name;
    }

    fake::TemporaryHome home;
    fake::FakeMainWindow shown;
    HandOvers handOvers{shown.mainWindow};
    DroppedFolders folders{shown.mainWindow, handOvers};
    DesktopDrops drops{shown.mainWindow, *Url::parse("file:///tmp/ENG/Auto-Vorudi.html"), handOvers, folders};
    PageDialogs dialogs{shown.mainWindow, handOvers};
};

TEST_F(Drops, TheToolsPageHearsTheDragAndGetsWhatItsLastDragoverTookThroughItsOwnInput) {
    std::vector<bool> pointer;
    drops.draggingUpdated({10, 20}, 2, [&](bool taken) { pointer.push_back(taken); });
    drops.draggingUpdated({30, 40}, 2, [&](bool taken) { pointer.push_back(taken); });
    ASSERT_EQ(scripts().size(), 2u);
    EXPECT_EQ(argument(0, "phase"), "enter");
    EXPECT_EQ(argument(1, "phase"), "over");
    EXPECT_EQ(std::get<double>(scripts()[1].arguments.at("count")), 2);
    EXPECT_EQ(scripts()[0].world, ScriptWorld::page);
    scripts()[0].completion("refused");
    scripts()[1].completion("taken");
    EXPECT_EQ(pointer, (std::vector<bool>{false, true})) << "the pointer tells what the page did";

    const std::filesystem::path folder = home.path() / "Cues";
    std::filesystem::create_directory(folder);
    drop({fixture("lyd.wav"), folder, fixture("notat.txt")}, "taken");
    ASSERT_TRUE(isDrop(3)) << "a last dragover decided";
    EXPECT_NE(argument(3, "items").find("\"name\":\"Cues\",\"directory\":true,\"fullPath\":\"/Cues\""),
              std::string::npos);
    const std::string token = argument(3, "files");

    EXPECT_FALSE(choose({"audio/*"})) << "the page's own input gets a panel";
    window().finishOpenPanel(ModalResponse::cancel);
    EXPECT_EQ(choose({token}),
              std::optional(std::optional(Files{home.path() / "lyd.wav", home.path() / "notat.txt"})))
        << "its files in the source's order; the folder comes as an entry";
    EXPECT_EQ(choose({token}), std::optional<std::optional<Files>>(std::in_place)) << "handed over once only";
    EXPECT_FALSE(window().shown) << "a hand-over's input never gets a panel";
}

TEST_F(Drops, ADropThatANavigationOvertookGetsNeitherItsFilesNorItsLeave) {
    for (const char* answer : {"taken", "refused"}) {
        EXPECT_TRUE(drops.performDragOperation({30, 40}, {fixture("lyd.wav")}));
        show("http://127.0.0.1:8765/"); // the page has loaded another document meanwhile
        std::size_t scriptsBefore = scripts().size();
        scripts().back().completion(answer);
        EXPECT_EQ(scripts().size(), scriptsBefore) << answer;
    }
    drop({fixture("lyd.wav")}, "taken");
    const std::string token = argument(scripts().size() - 1, "files");
    show("http://127.0.0.1:8765/");
    EXPECT_EQ(choose({token}), std::optional<std::optional<Files>>(std::in_place))
        << "a hand-over that a navigation overtook is cancelled";
}

TEST_F(Drops, DropsUnderWayAtOnceEachGetTheirOwnFiles) {
    drop({fixture("a.wav")}, "taken");
    const std::string first = argument(scripts().size() - 1, "files");
    drop({fixture("b.wav"), fixture("c.wav")}, "taken");
    const std::string second = argument(scripts().size() - 1, "files");
    EXPECT_EQ(choose({second}),
              std::optional(std::optional(Files{home.path() / "b.wav", home.path() / "c.wav"})));
    EXPECT_EQ(choose({first}), std::optional(std::optional(Files{home.path() / "a.wav"})));
    EXPECT_EQ(choose({handOverToken()}), std::optional<std::optional<Files>>(std::in_place))
        << "a hand-over's type that matches no drop is answered as cancelled";
    EXPECT_FALSE(window().shown);
}

TEST_F(Drops, APageThatTakesNoDropThereGetsNoFiles) {
    drop({fixture("lyd.wav")}, "refused");
    ASSERT_EQ(scripts().size(), 2u);
    EXPECT_EQ(argument(1, "phase"), "leave");
}

TEST_F(Drops, TheSplashAndOtherPagesGetNothing) {
    for (const char* page : {"about:blank", "http://127.0.0.1:9000/", "http://localhost:8765/",
                             "file:///tmp/Auto-Vorudi.html"}) {
        show(page);
        std::optional<bool> taken;
        drops.draggingUpdated({5, 5}, 1, [&](bool answer) { taken = answer; });
        EXPECT_EQ(taken, false) << page;
        drops.draggingExited();
        EXPECT_FALSE(drops.performDragOperation({5, 5}, {home.path()})) << page;
    }
    // A page of another host that has begun to load the engine's still shows its own document.
    web().shownUrl = Url::parse("https://example.org/");
    show("http://127.0.0.1:8765/");
    EXPECT_FALSE(drops.performDragOperation({5, 5}, {fixture("lyd.wav")}));
    EXPECT_TRUE(scripts().empty());
}

} // namespace
} // namespace vorl
