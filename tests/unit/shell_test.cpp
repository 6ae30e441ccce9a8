// The menu bar and the view and folder commands.

#include "fake/app_fixture.h"
#include "fake/fake_main_window.h"
#include "fake/recording_engine_control.h"
#include "shell/menu_commands.h"
#include "shell/menu_table.h"
#include "shell/view_decisions.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

struct Row {
    std::string title;
    MenuAction action;
    std::string key;
    Modifiers modifiers;
    bool enabled = true;
};

TEST(MenuTable, FourNorwegianMenusWithTheirItemsKeysAndMasksInOrder) {
    using enum MenuAction;
    const Modifiers cmd = Modifiers::command, optCmd = Modifiers::option | Modifiers::command,
                    shiftCmd = Modifiers::shift | Modifiers::command,
                    ctrlCmd = Modifiers::control | Modifiers::command;
    const std::optional<Row> separator;
    const std::vector<std::pair<std::string, std::vector<std::optional<Row>>>> expected = {
        {"VORL Vorudi",
         {Row{"Om VORL Vorudi", orderFrontStandardAboutPanel, "", cmd}, separator,
          Row{"Vis analysemappen", showFolder, ",", cmd}, Row{"Vis motorloggen", showLog, "l", optCmd},
          Row{"Start motoren på nytt", restartEngine, "", cmd}, separator,
          Row{"Skjul VORL Vorudi", hide, "h", cmd},
          Row{"Skjul andre", hideOtherApplications, "h", optCmd, false},
          Row{"Vis alle", unhideAllApplications, "", cmd, false}, separator,
          Row{"Avslutt VORL Vorudi", terminate, "q", cmd}}},
        {"Rediger",
         {Row{"Angre", undo, "z", cmd}, Row{"Gjør om", redo, "z", shiftCmd}, separator,
          Row{"Klipp ut", cut, "x", cmd}, Row{"Kopier", copy, "c", cmd}, Row{"Lim inn", paste, "v", cmd},
          Row{"Merk alt", selectAll, "a", cmd}}},
        {"Vis",
         {Row{"Last inn på nytt", reloadPage, "r", cmd}, Row{"Faktisk størrelse", zoomReset, "0", cmd},
          Row{"Zoom inn", zoomIn, "+", cmd}, Row{"Zoom ut", zoomOut, "-", cmd}, separator,
          Row{"Fullskjerm", toggleFullScreen, "f", ctrlCmd}}},
        {"Vindu", {Row{"Minimer", performMiniaturize, "m", cmd}, Row{"Zoom", performZoom, "", cmd}}},
    };

    std::vector<Menu> menus = mainMenu();
    ASSERT_EQ(menus.size(), expected.size());
    for (size_t m = 0; m < menus.size(); ++m) {
        EXPECT_EQ(menus[m].title, expected[m].first);
        ASSERT_EQ(menus[m].items.size(), expected[m].second.size()) << menus[m].title;
        for (size_t i = 0; i < menus[m].items.size(); ++i) {
            const auto& item = menus[m].items[i];
            const auto& row = expected[m].second[i];
            ASSERT_EQ(item.has_value(), row.has_value()) << menus[m].title << " item " << i;
            if (!item)
                continue;
            EXPECT_EQ(item->title, row->title);
            EXPECT_EQ(item->action, row->action) << row->title;
            EXPECT_EQ(item->keyEquivalent, row->key) << row->title;
            EXPECT_EQ(item->modifiers, row->modifiers) << row->title;
            EXPECT_EQ(item->enabled, row->enabled) << row->title;
        }
    }
}

TEST(ViewDecisions, ReloadOnlyTheEnginesOrTheBuiltInPage) {
    const std::pair<std::optional<Url>, ReloadAction> cases[] = {
        {Url::parse("http://127.0.0.1:8765/"), ReloadAction::reload},
        {Url::parse("http://127.0.0.1:9999/other?x"), ReloadAction::reload},
        {Url::parse("file:///h/Auto-Vorudi.html"), ReloadAction::reload},
        {Url::parse("http://localhost:8765/"), ReloadAction::connect},
        {Url::parse("about:blank"), ReloadAction::connect},
        {Url::parse("https://example.org/"), ReloadAction::connect},
        {std::nullopt, ReloadAction::connect},
    };
    for (const auto& [shown, action] : cases)
        EXPECT_EQ(decideReload(shown), action) << (shown ? shown->string() : "<none>");
}

TEST(ViewDecisions, ZoomStepsAccumulateAndStopAtTheirBounds) {
    double zoom = 1.0;
    for (int step = 0; step < 10; ++step)
        zoom = zoomedIn(zoom);
    EXPECT_EQ(zoom, 2.0);
    EXPECT_EQ(zoomedIn(zoom), 2.0);

    zoom = 1.0;
    for (int step = 0; step < 5; ++step)
        zoom = zoomedOut(zoom);
    EXPECT_EQ(zoom, 0.5000000000000001) << "floating-point error accumulates, unsnapped";
    EXPECT_EQ(zoomedOut(zoom), 0.5);
}

// The commands on their own, with the window, the view and the desktop faked.
class Commands : public ::testing::Test {
protected:
    void perform(MenuAction action) { commands.performMenuAction(action); }
    fake::FakeWebView& web() { return *shown.web; }
    fake::FakeWindow& window() { return *shown.window; }

    fake::TemporaryHome home;
    fake::FakePlatform platform{home.path()};
    const Places places = placesBelow(home.path());
    fake::FakeMainWindow shown;
    fake::RecordingEngineControl engine;
    MenuCommands commands{platform.app, shown.mainWindow, platform.desktop, engine, places};
};

// Across objects: the commands that reach the engine's supervision and the page's dialogs.
class Menu : public fake::AppFixture {
protected:
    Menu() { launch(); }
    void perform(MenuAction action) { menu(action); }
};

TEST_F(Commands, StandardActionsReachTheWindowThePageAndTheApplication) {
    using enum MenuAction;
    for (MenuAction action : {undo, redo, cut, copy, paste, selectAll})
        perform(action);
    EXPECT_EQ(web().editingCommands,
              (std::vector<EditingCommand>{EditingCommand::undo, EditingCommand::redo, EditingCommand::cut,
                                           EditingCommand::copy, EditingCommand::paste,
                                           EditingCommand::selectAll}));
    for (MenuAction action :
         {performMiniaturize, performZoom, toggleFullScreen, orderFrontStandardAboutPanel, hide})
        perform(action);
    for (const char* event : {"window.miniaturize", "window.toggleMaximized", "window.toggleFullScreen"})
        EXPECT_EQ(shown.log.count(event), 1) << event;
    for (const char* event : {"app.orderFrontStandardAboutPanel", "app.hide"})
        EXPECT_EQ(platform.log.count(event), 1) << event;
}

TEST_F(Menu, QuittingRunsTheShutdown) {
    installEngine();
    answerProbe(false);
    platform.session.responder = [](const UrlRequest&) { return std::optional<std::string>("{}"); };
    perform(MenuAction::terminate);
    EXPECT_EQ(platform.log.count("session.POST http://127.0.0.1:8765/api/quit"), 1);
}

TEST_F(Menu, ReloadReloadsTheEnginesPageAndReconnectsFromTheSplash) {
    perform(MenuAction::reloadPage);
    EXPECT_EQ(platform.session.pendingCount(), 2u) << "on the splash: a probe of its own";
    answerProbe(true);
    answerProbe(true);
    size_t probes = platform.session.requests().size();
    perform(MenuAction::reloadPage);
    EXPECT_EQ(web().reloads, 1);
    EXPECT_EQ(platform.session.requests().size(), probes);
}

TEST_F(Menu, ReloadAndQuitAnswerTheShownAndWaitingSheetsAsCancelledFirst) {
    answerProbe(true);
    std::vector<std::string> answers;
    auto askConfirm = [&](const char* name) {
        web().dialogDelegate->runJavaScriptConfirmPanel(name, [&answers, name](bool yes) {
            answers.push_back(std::string(name) + (yes ? " ja" : " nei"));
        });
    };
    askConfirm("vist");
    web().dialogDelegate->runOpenPanel(
        false, {}, [&](auto files) { answers.push_back(files ? "filer" : "ingen filer"); });
    perform(MenuAction::reloadPage);
    EXPECT_EQ(answers, (std::vector<std::string>{"vist nei", "ingen filer"}));
    EXPECT_EQ(web().reloads, 1);
    EXPECT_FALSE(window().shown);

    askConfirm("etter");
    ASSERT_TRUE(window().shown) << "sheets asked for later show as usual";
    perform(MenuAction::terminate);
    EXPECT_EQ(answers.back(), "etter nei");
}

TEST_F(Commands, ZoomCommandsWorkOnThePagesZoom) {
    web().zoom = 1.35;
    perform(MenuAction::zoomIn);
    EXPECT_DOUBLE_EQ(web().zoom, 1.45);
    perform(MenuAction::zoomOut);
    perform(MenuAction::zoomOut);
    EXPECT_DOUBLE_EQ(web().zoom, 1.25);
    perform(MenuAction::zoomReset);
    EXPECT_EQ(web().zoom, 1.0);
}

TEST_F(Commands, PinchAndScrollZoomKeepToTheMenusBoundsSoItsStepsNeverGoTheWrongWay) {
    commands.didRequestPageZoom(3.0);
    EXPECT_EQ(web().zoom, 2.0);
    perform(MenuAction::zoomIn);
    EXPECT_EQ(web().zoom, 2.0);
    commands.didRequestPageZoom(0.3);
    EXPECT_EQ(web().zoom, 0.5);
    perform(MenuAction::zoomOut);
    EXPECT_EQ(web().zoom, 0.5);
    commands.didRequestPageZoom(1.3);
    EXPECT_EQ(web().zoom, 1.3);
}

TEST_F(Commands, TheDataFolderIsCreatedAndOpenedAndTheLogOpened) {
    perform(MenuAction::showFolder);
    EXPECT_TRUE(std::filesystem::is_directory(places.DATA));
    perform(MenuAction::showLog);
    ASSERT_EQ(platform.desktop.opened.size(), 2u);
    EXPECT_EQ(platform.desktop.opened[0].filePath(), places.DATA);
    EXPECT_EQ(platform.desktop.opened[1].filePath(), places.LOGFILE);
    EXPECT_TRUE(window().alerts().empty()) << "a missing log brings no message of its own";
}

TEST_F(Commands, TheDataFolderOpensEvenWhenItCannotBeCreated) {
    fake::writeFile(places.DATA, "a file where the folder should be");
    perform(MenuAction::showFolder);
    ASSERT_EQ(platform.desktop.opened.size(), 1u);
    EXPECT_EQ(platform.desktop.opened[0].filePath(), places.DATA);
}

} // namespace
} // namespace vorl
