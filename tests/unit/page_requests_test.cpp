// The page's messages and dialogs on the fake platform: each answered exactly once, however
// its sheet ends.

#include "bridge/page_bridge.h"
#include "fake/app_fixture.h"
#include "fake/fake_main_window.h"
#include "webhost/dialogs.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

using fake::OpenPanelSheet;
using fake::SavePanelSheet;

// No file is ever handed over here.
class NoHandOvers final : public FileHandOvers {
public:
    bool isHandOver(const std::vector<std::string>&) const override { return false; }
    void handOver(const std::vector<std::string>&, FileChooserCompletion completion) override {
        completion(std::nullopt);
    }
};

// The bridge and the page's dialogs, sharing one window as the application has them.
class PageRequests : public ::testing::Test {
protected:
    fake::FakeWindow& window() { return *mainWindow.window; }

    // Posts a message and collects every reply it gets.
    std::vector<ScriptReply>& post(std::map<std::string, std::string> entries) {
        auto& replies = replyLists.emplace_back(std::make_unique<std::vector<ScriptReply>>());
        bridge.didReceiveScriptMessage(
            fake::FakeScriptMessage(std::move(entries)),
            [&list = *replies](ScriptReply reply) { list.push_back(std::move(reply)); });
        return *replies;
    }
    template <class Sheet> const Sheet& openSheet() { return std::get<Sheet>(window().shown.value()); }
    std::vector<std::unique_ptr<std::vector<ScriptReply>>> replyLists;

    fake::TemporaryHome home;
    fake::FakePlatform platform{home.path()};
    fake::FakeMainWindow mainWindow;
    NoHandOvers noHandOvers;
    PageBridge bridge{mainWindow.mainWindow, platform.desktop};
    PageDialogs dialogs{mainWindow.mainWindow, noHandOvers};
};

const ScriptReply nothing{};
ScriptReply path(const char* value) {
    return ScriptReply{std::string(value), std::nullopt};
}

TEST_F(PageRequests, ChooseFolderOpensAFolderPanelAndRepliesWithThePathOrNothing) {
    auto& confirmed = post({{"cmd", "chooseFolder"}, {"dir", "/home/a b"}});
    const OpenPanel& panel = openSheet<OpenPanelSheet>().panel;
    EXPECT_TRUE(panel.canChooseDirectories);
    EXPECT_FALSE(panel.canChooseFiles);
    EXPECT_TRUE(panel.canCreateDirectories);
    EXPECT_FALSE(panel.allowsMultipleSelection);
    EXPECT_EQ(panel.texts.title, "Velg mappa der bouncede filer skal lagres");
    EXPECT_EQ(panel.texts.prompt, "Velg");
    EXPECT_EQ(panel.texts.cancel, "Avbryt");
    EXPECT_EQ(panel.directory, std::filesystem::path("/home/a b"));
    EXPECT_TRUE(confirmed.empty()) << "the reply waits for the panel";
    window().finishOpenPanel(ModalResponse::ok, {"/home/a b/ut"});
    EXPECT_EQ(confirmed, std::vector<ScriptReply>{path("/home/a b/ut")});

    auto& cancelled = post({{"cmd", "chooseFolder"}});
    EXPECT_EQ(openSheet<OpenPanelSheet>().panel.directory, std::nullopt);
    window().finishOpenPanel(ModalResponse::cancel);
    auto& empty = post({{"cmd", "chooseFolder"}});
    window().finishOpenPanel(ModalResponse::ok, {});
    auto& closed = post({{"cmd", "chooseFolder"}});
    window().closeWithSheets();
    EXPECT_EQ(cancelled, std::vector<ScriptReply>{nothing});
    EXPECT_EQ(empty, std::vector<ScriptReply>{nothing});
    EXPECT_EQ(closed, std::vector<ScriptReply>{nothing});
}

TEST_F(PageRequests, SaveAsProposesTheNameAndFolderAndRepliesWithThePathOrNothing) {
    auto& named = post({{"cmd", "saveAs"}, {"name", "lyd.wav"}, {"dir", "/d"}});
    const SavePanel& panel = openSheet<SavePanelSheet>().panel;
    EXPECT_EQ(panel.nameFieldStringValue, "lyd.wav");
    EXPECT_EQ(panel.directory, std::filesystem::path("/d"));
    EXPECT_EQ(panel.texts.title, "Lagre bouncet fil med slices");
    EXPECT_EQ(panel.texts.prompt, "Lagre");
    EXPECT_TRUE(panel.canCreateDirectories);
    window().finishSavePanel(ModalResponse::ok, "/d/lyd 2.wav");
    EXPECT_EQ(named, std::vector<ScriptReply>{path("/d/lyd 2.wav")});

    auto& cancelled = post({{"cmd", "saveAs"}});
    EXPECT_EQ(openSheet<SavePanelSheet>().panel.nameFieldStringValue, "slices.wav");
    window().finishSavePanel(ModalResponse::cancel);
    EXPECT_EQ(cancelled, std::vector<ScriptReply>{nothing});
}

TEST_F(PageRequests, PanelsAskedAtOnceAreShownOneAtATimeAndEachAnswersItsOwnRequest) {
    std::vector<std::vector<ScriptReply>*> replies;
    for (int i = 0; i < 30; ++i)
        replies.push_back(&post({{"cmd", "saveAs"}, {"name", std::to_string(i) + ".wav"}}));
    int alertsEnded = 0;
    dialogs.runJavaScriptAlertPanel("etter", [&] { ++alertsEnded; });
    auto& waitingBehindTheAlert = post({{"cmd", "chooseFolder"}});
    for (int i = 0; i < 30; ++i) {
        std::string name = std::to_string(i) + ".wav";
        EXPECT_EQ(openSheet<SavePanelSheet>().panel.nameFieldStringValue, name);
        window().finishSavePanel(ModalResponse::ok, "/x/" + name);
        EXPECT_EQ(*replies[i], std::vector<ScriptReply>{path(("/x/" + name).c_str())});
    }
    EXPECT_EQ(alertsEnded, 0) << "the page's alert waits its turn behind the panels";
    window().closeWithSheets();
    EXPECT_EQ(alertsEnded, 1);
    EXPECT_EQ(waitingBehindTheAlert, std::vector<ScriptReply>{nothing}) << "closing answers the waiting too";
}

TEST_F(PageRequests, RevealShowsAnAbsolutePathAndRepliesTrueAtOnceWithOrWithoutOne) {
    auto& shown = post({{"cmd", "reveal"}, {"path", "/a/b.wav"}});
    auto& without = post({{"cmd", "reveal"}, {"path", ""}});
    const std::vector<ScriptReply> yes{ScriptReply{true, std::nullopt}};
    EXPECT_EQ(shown, yes);
    EXPECT_EQ(without, yes);
    ASSERT_EQ(platform.desktop.revealed.size(), 1u);
    EXPECT_EQ(platform.desktop.revealed[0], std::vector<std::filesystem::path>{"/a/b.wav"});
    EXPECT_FALSE(window().shown);
}

TEST_F(PageRequests, MessagesItCannotTakeGetTheErrorAtOnce) {
    const std::vector<ScriptReply> invalid{ScriptReply{{}, "ugyldig melding"}};
    const std::vector<ScriptReply> unknown{ScriptReply{{}, "ukjent kommando"}};
    EXPECT_EQ(post({}), invalid);
    EXPECT_EQ(post({{"cmd", "Reveal"}}), unknown);
}

class Dialogs : public PageRequests {
protected:
    const Alert& openAlert() { return std::get<fake::AlertSheet>(window().shown.value()).alert; }
};

TEST_F(Dialogs, AlertShowsTheMessageUnderTheAppsNameAndResumesOnceWhenEnded) {
    int resumed = 0;
    dialogs.runJavaScriptAlertPanel("Ferdig!", [&] { ++resumed; });
    EXPECT_EQ(openAlert().messageText, "VORL Vorudi");
    EXPECT_EQ(openAlert().informativeText, "Ferdig!");
    EXPECT_EQ(openAlert().buttons, std::vector<std::string>{"OK"});
    window().finishAlert(0);
    dialogs.runJavaScriptAlertPanel("Igjen", [&] { ++resumed; });
    window().closeWithSheets();
    EXPECT_EQ(resumed, 2);
}

TEST_F(Dialogs, ConfirmIsTrueOnlyForOk) {
    std::vector<bool> answers;
    for (std::optional<std::size_t> button :
         {std::optional<std::size_t>(0), std::optional<std::size_t>(1), std::optional<std::size_t>()}) {
        dialogs.runJavaScriptConfirmPanel("Slette?", [&](bool confirmed) { answers.push_back(confirmed); });
        EXPECT_EQ(openAlert().buttons, (std::vector<std::string>{"OK", "Avbryt"}));
        window().finishAlert(button);
    }
    EXPECT_EQ(answers, (std::vector<bool>{true, false, false}));
}

TEST_F(Dialogs, PromptAnswersTheFieldOnOkEvenEmptiedAndNullOtherwise) {
    std::vector<std::optional<std::string>> answers;
    auto collect = [&](std::optional<std::string> answer) { answers.push_back(std::move(answer)); };
    dialogs.runJavaScriptTextInputPanel("Navn?", "standard", collect);
    ASSERT_TRUE(openAlert().accessoryTextField);
    EXPECT_EQ(openAlert().accessoryTextField->stringValue, "standard");
    EXPECT_EQ(openAlert().accessoryTextField->width, 280);
    EXPECT_EQ(openAlert().accessoryTextField->height, 24);
    window().finishAlert(0, "nytt navn");
    dialogs.runJavaScriptTextInputPanel("Navn?", std::nullopt, collect);
    EXPECT_EQ(openAlert().accessoryTextField->stringValue, "");
    window().finishAlert(0, "");
    dialogs.runJavaScriptTextInputPanel("Navn?", "x", collect);
    window().finishAlert(1, "x");
    dialogs.runJavaScriptTextInputPanel("Navn?", "x", collect);
    window().closeWithSheets();
    EXPECT_EQ(answers,
              (std::vector<std::optional<std::string>>{"nytt navn", "", std::nullopt, std::nullopt}));
}

TEST_F(Dialogs, FileInputsChooseFilesNeverFoldersAndCancelAsNoSelection) {
    std::vector<std::optional<std::vector<std::filesystem::path>>> answers;
    auto collect = [&](auto files) { answers.push_back(std::move(files)); };
    dialogs.runOpenPanel(true, {}, collect);
    const OpenPanel& panel = std::get<OpenPanelSheet>(window().shown.value()).panel;
    EXPECT_TRUE(panel.allowsMultipleSelection);
    EXPECT_TRUE(panel.canChooseFiles);
    EXPECT_FALSE(panel.canChooseDirectories);
    window().finishOpenPanel(ModalResponse::ok, {"/a.wav", "/b.wav"});
    dialogs.runOpenPanel(false, {}, collect);
    EXPECT_FALSE(std::get<OpenPanelSheet>(window().shown.value()).panel.allowsMultipleSelection);
    window().finishOpenPanel(ModalResponse::cancel);
    using Files = std::vector<std::filesystem::path>;
    EXPECT_EQ(answers, (std::vector<std::optional<Files>>{Files{"/a.wav", "/b.wav"}, std::nullopt}));
}

} // namespace
} // namespace vorl
