// Saving downloads where the user chooses, without ever losing what stood there before.

#include "fake/app_fixture.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

class Downloads : public fake::AppFixture {
protected:
    Downloads() { launch(); }

    // Asks for a destination and answers the save panel; returns what WebKit was told.
    std::optional<std::filesystem::path> choose(ModalResponse response,
                                                std::optional<std::filesystem::path> chosen) {
        std::vector<std::optional<std::filesystem::path>> destinations;
        app->decideDestination(download, "slices.wav",
                               [&](auto destination) { destinations.push_back(destination); });
        EXPECT_TRUE(destinations.empty()) << "the download waits for the panel";
        window().finishSavePanel(response, std::move(chosen));
        EXPECT_EQ(destinations.size(), 1u);
        return destinations.at(0);
    }
    // Writes what the transfer brought into the file WebKit was given.
    void transfer(const std::filesystem::path& destination, const std::string& bytes) {
        fake::writeFile(destination, bytes);
        download.receivedLength = bytes.size();
    }
    std::vector<std::string> failures() {
        std::vector<std::string> texts;
        for (const Alert& alert : window().alerts())
            if (alert.messageText == "Lagring feilet")
                texts.push_back(alert.informativeText);
        return texts;
    }
    std::filesystem::path folder() { return DATA / "Vuzezi for QLab"; }

    fake::FakeDownload download;
};

TEST_F(Downloads, ProposesTheSuggestedNameInTheCreatedFolder) {
    app->decideDestination(download, "slices (1).wav", [](auto) {});
    EXPECT_TRUE(std::filesystem::is_directory(folder()));
    const SavePanel& panel = std::get<fake::SavePanelSheet>(window().shown.value()).panel;
    EXPECT_EQ(panel.directory, folder());
    EXPECT_EQ(panel.nameFieldStringValue, "slices (1).wav");
}

TEST_F(Downloads, ACompleteTransferReplacesTheChosenFileOnlyWhenItHasFinished) {
    std::filesystem::path chosen = folder() / "slices.wav";
    fake::writeFile(chosen, "the user's earlier file");
    auto destination = choose(ModalResponse::ok, chosen);
    ASSERT_TRUE(destination);
    EXPECT_NE(*destination, chosen);
    EXPECT_EQ(destination->parent_path(), chosen.parent_path());
    download.expectedLength = 9;
    transfer(*destination, "new bytes");
    EXPECT_EQ(fake::readFile(chosen), "the user's earlier file") << "untouched while the transfer runs";

    app->downloadDidFinish(download);
    EXPECT_EQ(fake::readFile(chosen), "new bytes");
    EXPECT_FALSE(std::filesystem::exists(*destination));
    EXPECT_TRUE(window().alerts().empty()) << "success shows nothing";
}

TEST_F(Downloads, AFailedTransferKeepsTheOldFileAndSaysWhy) {
    std::filesystem::path chosen = folder() / "slices.wav";
    fake::writeFile(chosen, "old");
    auto destination = choose(ModalResponse::ok, chosen);
    transfer(*destination, "par");
    app->downloadDidFail(download, DownloadError{"Connection terminated unexpectedly", false});
    EXPECT_EQ(fake::readFile(chosen), "old");
    EXPECT_FALSE(std::filesystem::exists(*destination));
    EXPECT_EQ(failures(), std::vector<std::string>{"Connection terminated unexpectedly"});
}

TEST_F(Downloads, ATransferThatEndsShortOfItsAnnouncedLengthIsAFailure) {
    std::filesystem::path chosen = folder() / "data.bin";
    fake::writeFile(chosen, "old");
    auto destination = choose(ModalResponse::ok, chosen);
    download.expectedLength = 65536;
    transfer(*destination, std::string(1000, 'x'));
    app->downloadDidFinish(download);
    EXPECT_EQ(fake::readFile(chosen), "old");
    EXPECT_FALSE(std::filesystem::exists(*destination));
    EXPECT_EQ(failures(), std::vector<std::string>{"Overføringen stoppet etter 1000 av 65536 byte."});
}

TEST_F(Downloads, AFolderOfTheChosenNameIsNeverDeleted) {
    std::filesystem::path chosen = folder() / "prosjekt";
    fake::writeFile(chosen / "viktig.txt", "keep");
    auto destination = choose(ModalResponse::ok, chosen);
    transfer(*destination, "bytes");
    app->downloadDidFinish(download);
    EXPECT_EQ(fake::readFile(chosen / "viktig.txt"), "keep");
    EXPECT_FALSE(std::filesystem::exists(*destination));
    ASSERT_EQ(failures().size(), 1u);
    EXPECT_NE(failures()[0].find("prosjekt"), std::string::npos);
}

TEST_F(Downloads, CancellingThePanelCancelsTheDownloadQuietly) {
    fake::writeFile(folder() / "slices.wav", "old");
    EXPECT_EQ(choose(ModalResponse::cancel, std::nullopt), std::nullopt);
    app->downloadDidFail(download, DownloadError{"Cancelled", true});
    EXPECT_TRUE(window().alerts().empty());
    EXPECT_EQ(fake::readFile(folder() / "slices.wav"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder()), {}), 1);
}

TEST_F(Downloads, AFolderThatCannotBeWrittenCancelsTheDownloadWithAMessage) {
    EXPECT_EQ(choose(ModalResponse::ok, home.path() / "missing folder" / "a.wav"), std::nullopt);
    ASSERT_EQ(failures().size(), 1u);
    EXPECT_EQ(failures()[0], "No such file or directory");
}

TEST_F(Downloads, ADownloadThatFailsWhileItsPanelIsOpenWritesNothingAndMixesWithNoOther) {
    // The platform frees a download once it has ended; the next may take the same address.
    std::optional<fake::FakeDownload> slot;
    slot.emplace();
    std::vector<std::optional<std::filesystem::path>> told;
    app->decideDestination(*slot, "a.wav", [&](auto destination) { told.push_back(destination); });
    app->downloadDidFail(*slot, DownloadError{"Connection terminated unexpectedly", false});
    slot.reset();
    slot.emplace();
    app->decideDestination(*slot, "b.wav", [&](auto destination) { told.push_back(destination); });

    window().finishSavePanel(ModalResponse::ok, folder() / "a.wav");
    window().finishAlert(0); // the failure, shown once the panel had ended
    window().finishSavePanel(ModalResponse::ok, folder() / "b.wav");
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], std::nullopt) << "an ended download gets no file";
    ASSERT_TRUE(told[1]);
    transfer(*told[1], "b");
    slot->receivedLength = 1;
    app->downloadDidFinish(*slot);

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"b.wav"});
    EXPECT_EQ(failures(), std::vector<std::string>{"Connection terminated unexpectedly"});
}

TEST_F(Downloads, QuittingCancelsEveryDownloadInProgressAndLeavesOnlyWhatStoodThere) {
    std::filesystem::path chosen = folder() / "slices.wav";
    fake::writeFile(chosen, "the user's earlier file");
    auto destination = choose(ModalResponse::ok, chosen);
    transfer(*destination, "half of it");
    fake::FakeDownload asking; // its panel is still open
    std::vector<std::optional<std::filesystem::path>> told;
    app->decideDestination(asking, "b.wav", [&](auto decided) { told.push_back(decided); });

    app->applicationWillTerminate();
    EXPECT_TRUE(download.cancelled);
    EXPECT_TRUE(asking.cancelled);
    EXPECT_EQ(fake::readFile(chosen), "the user's earlier file");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"slices.wav"}) << "no partial file is left";

    EXPECT_FALSE(window().shown) << "the open panel is answered as cancelled";
    // Should the platform still report the ends, they change nothing.
    app->downloadDidFail(download, DownloadError{"Cancelled", true});
    app->downloadDidFinish(asking);
    EXPECT_EQ(told, std::vector<std::optional<std::filesystem::path>>{std::nullopt});
    EXPECT_FALSE(std::filesystem::exists(folder() / "b.wav"));
    EXPECT_EQ(fake::readFile(chosen), "the user's earlier file");
    EXPECT_TRUE(window().alerts().empty());
}

} // namespace
} // namespace vorl
