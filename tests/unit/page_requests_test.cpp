// The page's messages and dialogs on the fake platform: each answered exactly once, however
// its sheet ends.

#include "fake/app_fixture.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

using fake::OpenPanelSheet;
using fake::SavePanelSheet;

class PageRequests : public fake::AppFixture {
protected:
    PageRequests() { launch(); }

    // Posts a message and collects every reply it gets.
    std::vector<ScriptReply>& post(ScriptValue::Dictionary body) {
        auto& replies = replyLists.emplace_back(std::make_unique<std::vector<ScriptReply>>());
        app->didReceiveScriptMessage(ScriptValue{std::move(body)}, [&list = *replies](ScriptReply reply) {
            list.push_back(std::move(reply));
        });
        return *replies;
    }
    static ScriptValue text(const char* value) { return ScriptValue{std::string(value)}; }
    template <class Sheet> const Sheet& openSheet(size_t index = 0) {
        size_t seen = 0;
        for (const auto& sheet : window().openSheets)
            if (std::holds_alternative<Sheet>(sheet) && seen++ == index)
                return std::get<Sheet>(sheet);
        throw std::logic_error("no such sheet");
    }
    std::vector<std::unique_ptr<std::vector<ScriptReply>>> replyLists;
};

const ScriptReply nothing{};
ScriptReply path(const char* value) {
    return ScriptReply{std::string(value), std::nullopt};
}

TEST_F(PageRequests, ChooseFolderOpensAFolderPanelAndRepliesWithThePathOrNothing) {
    auto& confirmed = post({{"cmd", text("chooseFolder")}, {"dir", text("/home/a b")}});
    const OpenPanel& panel = openSheet<OpenPanelSheet>().panel;
    EXPECT_TRUE(panel.canChooseDirectories);
    EXPECT_FALSE(panel.canChooseFiles);
    EXPECT_TRUE(panel.canCreateDirectories);
    EXPECT_FALSE(panel.allowsMultipleSelection);
    EXPECT_EQ(panel.prompt, "Velg");
    EXPECT_EQ(panel.message, "Velg mappa der bouncede filer skal lagres");
    EXPECT_EQ(panel.directory, std::filesystem::path("/home/a b"));
    EXPECT_TRUE(confirmed.empty()) << "the reply waits for the panel";
    window().finishOpenPanel(0, ModalResponseOK, {"/home/a b/ut"});
    EXPECT_EQ(confirmed, std::vector<ScriptReply>{path("/home/a b/ut")});

    auto& cancelled = post({{"cmd", text("chooseFolder")}});
    EXPECT_EQ(openSheet<OpenPanelSheet>().panel.directory, std::nullopt);
    window().finishOpenPanel(0, ModalResponseCancel);
    auto& empty = post({{"cmd", text("chooseFolder")}});
    window().finishOpenPanel(0, ModalResponseOK, {});
    auto& closed = post({{"cmd", text("chooseFolder")}});
    window().closeWithSheets();
    EXPECT_EQ(cancelled, std::vector<ScriptReply>{nothing});
    EXPECT_EQ(empty, std::vector<ScriptReply>{nothing});
    EXPECT_EQ(closed, std::vector<ScriptReply>{nothing});
}

TEST_F(PageRequests, SaveAsProposesTheNameAndFolderAndRepliesWithThePathOrNothing) {
    auto& named = post({{"cmd", text("saveAs")}, {"name", text("lyd.wav")}, {"dir", text("/d")}});
    const SavePanel& panel = openSheet<SavePanelSheet>().panel;
    EXPECT_EQ(panel.nameFieldStringValue, "lyd.wav");
    EXPECT_EQ(panel.directory, std::filesystem::path("/d"));
    EXPECT_EQ(panel.message, "Lagre bouncet fil med slices");
    EXPECT_TRUE(panel.canCreateDirectories);
    window().finishSavePanel(0, ModalResponseOK, "/d/lyd 2.wav");
    EXPECT_EQ(named, std::vector<ScriptReply>{path("/d/lyd 2.wav")});

    auto& cancelled = post({{"cmd", text("saveAs")}});
    EXPECT_EQ(openSheet<SavePanelSheet>().panel.nameFieldStringValue, "slices.wav");
    window().finishSavePanel(0, ModalResponseCancel);
    EXPECT_EQ(cancelled, std::vector<ScriptReply>{nothing});
}

TEST_F(PageRequests, TwoPanelsOpenAtOnceEachAnswerTheirOwnRequest) {
    auto& first = post({{"cmd", text("saveAs")}, {"name", text("en.wav")}});
    auto& second = post({{"cmd", text("saveAs")}, {"name", text("to.wav")}});
    ASSERT_EQ(window().openSheets.size(), 2u);
    window().finishSavePanel(1, ModalResponseOK, "/x/to.wav");
    EXPECT_TRUE(first.empty());
    window().finishSavePanel(0, ModalResponseOK, "/x/en.wav");
    EXPECT_EQ(first, std::vector<ScriptReply>{path("/x/en.wav")});
    EXPECT_EQ(second, std::vector<ScriptReply>{path("/x/to.wav")});
}

TEST_F(PageRequests, RevealShowsThePathAndRepliesTrueAtOnceWithOrWithoutOne) {
    auto& shown = post({{"cmd", text("reveal")}, {"path", text("/a/b.wav")}});
    auto& without = post({{"cmd", text("reveal")}, {"path", ScriptValue{2.0}}});
    const std::vector<ScriptReply> yes{ScriptReply{true, std::nullopt}};
    EXPECT_EQ(shown, yes);
    EXPECT_EQ(without, yes);
    ASSERT_EQ(platform.desktop.revealed.size(), 1u);
    EXPECT_EQ(platform.desktop.revealed[0], std::vector<std::filesystem::path>{"/a/b.wav"});
    EXPECT_TRUE(window().openSheets.empty());
}

TEST_F(PageRequests, MessagesItCannotTakeGetTheErrorAtOnce) {
    const std::vector<ScriptReply> invalid{ScriptReply{{}, "ugyldig melding"}};
    const std::vector<ScriptReply> unknown{ScriptReply{{}, "ukjent kommando"}};
    EXPECT_EQ(post({}), invalid);
    EXPECT_EQ(post({{"cmd", text("Reveal")}}), unknown);
}

class PageDialogs : public fake::AppFixture {
protected:
    PageDialogs() { launch(); }
    const Alert& openAlert() { return std::get<fake::AlertSheet>(window().openSheets.back()).alert; }
};

TEST_F(PageDialogs, AlertShowsTheMessageUnderTheAppsNameAndResumesOnceWhenEnded) {
    int resumed = 0;
    app->runJavaScriptAlertPanel("Ferdig!", [&] { ++resumed; });
    EXPECT_EQ(openAlert().messageText, "VORL Vorudi");
    EXPECT_EQ(openAlert().informativeText, "Ferdig!");
    EXPECT_TRUE(openAlert().buttons.empty());
    window().finishAlert(0, AlertFirstButtonReturn);
    app->runJavaScriptAlertPanel("Igjen", [&] { ++resumed; });
    window().closeWithSheets();
    EXPECT_EQ(resumed, 2);
}

TEST_F(PageDialogs, ConfirmIsTrueOnlyForOk) {
    std::vector<bool> answers;
    for (int response : {AlertFirstButtonReturn, AlertFirstButtonReturn + 1, ModalResponseCancel}) {
        app->runJavaScriptConfirmPanel("Slette?", [&](bool confirmed) { answers.push_back(confirmed); });
        EXPECT_EQ(openAlert().buttons, (std::vector<std::string>{"OK", "Avbryt"}));
        window().finishAlert(0, response);
    }
    EXPECT_EQ(answers, (std::vector<bool>{true, false, false}));
}

TEST_F(PageDialogs, PromptAnswersTheFieldOnOkEvenEmptiedAndNullOtherwise) {
    std::vector<std::optional<std::string>> answers;
    auto collect = [&](std::optional<std::string> answer) { answers.push_back(std::move(answer)); };
    app->runJavaScriptTextInputPanel("Navn?", "standard", collect);
    ASSERT_TRUE(openAlert().accessoryTextField);
    EXPECT_EQ(openAlert().accessoryTextField->stringValue, "standard");
    EXPECT_EQ(openAlert().accessoryTextField->width, 280);
    EXPECT_EQ(openAlert().accessoryTextField->height, 24);
    window().finishAlert(0, AlertFirstButtonReturn, "nytt navn");
    app->runJavaScriptTextInputPanel("Navn?", std::nullopt, collect);
    EXPECT_EQ(openAlert().accessoryTextField->stringValue, "");
    window().finishAlert(0, AlertFirstButtonReturn, "");
    app->runJavaScriptTextInputPanel("Navn?", "x", collect);
    window().finishAlert(0, AlertFirstButtonReturn + 1, "x");
    app->runJavaScriptTextInputPanel("Navn?", "x", collect);
    window().closeWithSheets();
    EXPECT_EQ(answers,
              (std::vector<std::optional<std::string>>{"nytt navn", "", std::nullopt, std::nullopt}));
}

TEST_F(PageDialogs, FileInputsChooseFilesNeverFoldersAndCancelAsNoSelection) {
    std::vector<std::optional<std::vector<std::filesystem::path>>> answers;
    auto collect = [&](auto files) { answers.push_back(std::move(files)); };
    app->runOpenPanel(true, collect);
    const OpenPanel& panel = std::get<OpenPanelSheet>(window().openSheets.back()).panel;
    EXPECT_TRUE(panel.allowsMultipleSelection);
    EXPECT_TRUE(panel.canChooseFiles);
    EXPECT_FALSE(panel.canChooseDirectories);
    window().finishOpenPanel(0, ModalResponseOK, {"/a.wav", "/b.wav"});
    app->runOpenPanel(false, collect);
    EXPECT_FALSE(std::get<OpenPanelSheet>(window().openSheets.back()).panel.allowsMultipleSelection);
    window().finishOpenPanel(0, ModalResponseCancel);
    using Files = std::vector<std::filesystem::path>;
    EXPECT_EQ(answers, (std::vector<std::optional<Files>>{Files{"/a.wav", "/b.wav"}, std::nullopt}));
}

} // namespace
} // namespace vorl
