// Saving downloads where the user chooses, without ever losing what stood there before.

#include "fake/app_fixture.h"
#include "fake/fake_main_window.h"
#include "webhost/downloads.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

class Saving : public ::testing::Test {
protected:
    fake::FakeWindow& window() { return *shown.window; }

    // Asks for a destination and answers the save panel; returns what WebKit was told.
    std::optional<std::filesystem::path> choose(ModalResponse response,
                                                std::optional<std::filesystem::path> chosen) {
        std::vector<std::optional<std::filesystem::path>> destinations;
        downloads.decideDestination(download, "slices.wav",
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
    std::filesystem::path folder() { return data / "Vuzezi for QLab"; }

    fake::TemporaryHome home;
    const std::filesystem::path data = home.path() / "VORL Vorudi";
    fake::FakeMainWindow shown;
    Downloads downloads{shown.mainWindow, data};
    fake::FakeDownload download;
};

TEST_F(Saving, ProposesTheSuggestedNameInTheCreatedFolder) {
    downloads.decideDestination(download, "slices (1).wav", [](auto) {});
    EXPECT_TRUE(std::filesystem::is_directory(folder()));
    const SavePanel& panel = std::get<fake::SavePanelSheet>(window().shown.value()).panel;
    EXPECT_EQ(panel.directory, folder());
    EXPECT_EQ(panel.nameFieldStringValue, "slices (1).wav");
}

TEST_F(Saving, ACompleteTransferReplacesTheChosenFileOnlyWhenItHasFinished) {
    std::filesystem::path chosen = folder() / "slices.wav";
    fake::writeFile(chosen, "the user's earlier file");
    auto destination = choose(ModalResponse::ok, chosen);
    ASSERT_TRUE(destination);
    EXPECT_NE(*destination, chosen);
    EXPECT_EQ(destination->parent_path(), chosen.parent_path());
    download.expectedLength = 9;
    transfer(*destination, "new bytes");
    EXPECT_EQ(fake::readFile(chosen), "the user's earlier file") << "untouched while the transfer runs";

    downloads.downloadDidFinish(download);
    EXPECT_EQ(fake::readFile(chosen), "new bytes");
    EXPECT_FALSE(std::filesystem::exists(*destination));
    EXPECT_TRUE(window().alerts().empty()) << "success shows nothing";
}

TEST_F(Saving, AFailedTransferKeepsTheOldFileAndSaysWhy) {
    std::filesystem::path chosen = folder() / "slices.wav";
    fake::writeFile(chosen, "old");
    auto destination = choose(ModalResponse::ok, chosen);
    transfer(*destination, "par");
    downloads.downloadDidFail(download, DownloadError{"Connection terminated unexpectedly", false});
    EXPECT_EQ(fake::readFile(chosen), "old");
    EXPECT_FALSE(std::filesystem::exists(*destination));
    EXPECT_EQ(failures(), std::vector<std::string>{"Connection terminated unexpectedly"});
}

TEST_F(Saving, ATransferThatEndsShortOfItsAnnouncedLengthIsAFailure) {
    std::filesystem::path chosen = folder() / "data.bin";
    fake::writeFile(chosen, "old");
    auto destination = choose(ModalResponse::ok, chosen);
    download.expectedLength = 65536;
    transfer(*destination, std::string(1000, 'x'));
    downloads.downloadDidFinish(download);
    EXPECT_EQ(fake::readFile(chosen), "old");
    EXPECT_FALSE(std::filesystem::exists(*destination));
    EXPECT_EQ(failures(), std::vector<std::string>{"Overføringen stoppet etter 1000 av 65536 byte."});
}

TEST_F(Saving, AFolderOfTheChosenNameIsNeverDeleted) {
    std::filesystem::path chosen = folder() / "prosjekt";
    fake::writeFile(chosen / "viktig.txt", "keep");
    auto destination = choose(ModalResponse::ok, chosen);
    transfer(*destination, "bytes");
    downloads.downloadDidFinish(download);
    EXPECT_EQ(fake::readFile(chosen / "viktig.txt"), "keep");
    EXPECT_FALSE(std::filesystem::exists(*destination));
    ASSERT_EQ(failures().size(), 1u);
    EXPECT_NE(failures()[0].find("prosjekt"), std::string::npos);
}

TEST_F(Saving, CancellingThePanelCancelsTheDownloadQuietly) {
    fake::writeFile(folder() / "slices.wav", "old");
    EXPECT_EQ(choose(ModalResponse::cancel, std::nullopt), std::nullopt);
    downloads.downloadDidFail(download, DownloadError{"Cancelled", true});
    EXPECT_TRUE(window().alerts().empty());
    EXPECT_EQ(fake::readFile(folder() / "slices.wav"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder()), {}), 1);
}

TEST_F(Saving, AFolderThatCannotBeWrittenCancelsTheDownloadWithAMessage) {
    EXPECT_EQ(choose(ModalResponse::ok, home.path() / "missing folder" / "a.wav"), std::nullopt);
    ASSERT_EQ(failures().size(), 1u);
    EXPECT_EQ(failures()[0], "No such file or directory");
}

TEST_F(Saving, ADownloadThatFailsWhileItsPanelIsOpenWritesNothingAndMixesWithNoOther) {
    // The platform frees a download once it has ended; the next may take the same address.
    std::optional<fake::FakeDownload> slot;
    slot.emplace();
    std::vector<std::optional<std::filesystem::path>> told;
    downloads.decideDestination(*slot, "a.wav", [&](auto destination) { told.push_back(destination); });
    downloads.downloadDidFail(*slot, DownloadError{"Connection terminated unexpectedly", false});
    slot.reset();
    slot.emplace();
    downloads.decideDestination(*slot, "b.wav", [&](auto destination) { told.push_back(destination); });

    window().finishSavePanel(ModalResponse::ok, folder() / "a.wav");
    window().finishAlert(0); // the failure, shown once the panel had ended
    window().finishSavePanel(ModalResponse::ok, folder() / "b.wav");
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], std::nullopt) << "an ended download gets no file";
    ASSERT_TRUE(told[1]);
    transfer(*told[1], "b");
    slot->receivedLength = 1;
    downloads.downloadDidFinish(*slot);

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"b.wav"});
    EXPECT_EQ(failures(), std::vector<std::string>{"Connection terminated unexpectedly"});
}

// Across objects: the application's end reaches the downloads.
class SavingAtQuit : public fake::AppFixture {
protected:
    fake::FakeDownload download;
    fake::FakeDownload asking;
};

TEST_F(SavingAtQuit, QuittingCancelsEveryDownloadInProgressAndLeavesOnlyWhatStoodThere) {
    launch();
    web().navigationDelegate->navigationDidBecomeDownload(download);
    web().navigationDelegate->navigationDidBecomeDownload(asking);
    ASSERT_TRUE(download.delegate);
    DownloadDelegate& downloads = *download.delegate;
    const std::filesystem::path folder = places.DATA / "Vuzezi for QLab";
    std::filesystem::path chosen = folder / "slices.wav";
    fake::writeFile(chosen, "the user's earlier file");
    std::optional<std::filesystem::path> destination;
    downloads.decideDestination(download, "slices.wav", [&](auto decided) { destination = decided; });
    window().finishSavePanel(ModalResponse::ok, chosen);
    ASSERT_TRUE(destination);
    fake::writeFile(*destination, "half of it");
    download.receivedLength = 10;
    // The second's panel is still open.
    std::vector<std::optional<std::filesystem::path>> told;
    downloads.decideDestination(asking, "b.wav", [&](auto decided) { told.push_back(decided); });

    app->applicationWillTerminate();
    EXPECT_TRUE(download.cancelled);
    EXPECT_TRUE(asking.cancelled);
    EXPECT_EQ(fake::readFile(chosen), "the user's earlier file");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"slices.wav"}) << "no partial file is left";

    EXPECT_FALSE(window().shown) << "the open panel is answered as cancelled";
    // Should the platform still report the ends, they change nothing.
    downloads.downloadDidFail(download, DownloadError{"Cancelled", true});
    downloads.downloadDidFinish(asking);
    EXPECT_EQ(told, std::vector<std::optional<std::filesystem::path>>{std::nullopt});
    EXPECT_FALSE(std::filesystem::exists(folder / "b.wav"));
    EXPECT_EQ(fake::readFile(chosen), "the user's earlier file");
    EXPECT_TRUE(window().alerts().empty());
}

} // namespace
} // namespace vorl
