// A dropped folder walked as the page asks for it: only what lies inside it, in batches, by
// relative paths, for the document it was dropped on.

#include "fake/app_fixture.h"
#include "fake/fake_main_window.h"
#include "webhost/dropped_folders.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sys/stat.h>

namespace vorl {
namespace {

namespace fs = std::filesystem;

std::multiset<std::string> namesIn(const std::string& json) {
    std::multiset<std::string> names;
    std::regex name("\"name\":\"([^\"]*)\"");
    for (auto match = std::sregex_iterator(json.begin(), json.end(), name); match != std::sregex_iterator();
         ++match)
        names.insert((*match)[1]);
    return names;
}

class DroppedFolder : public ::testing::Test {
protected:
    DroppedFolder() {
        fake::writeFile(cues / "a.wav", "a");
        fake::writeFile(cues / "Akt 2/b.wav", "bb");
        fake::writeFile(cues / "Akt 2/dypt/c.txt", "ccc");
        for (int n = 0; n < 250; ++n)
            fake::writeFile(cues / "mange" / ("lyd " + std::to_string(n) + ".wav"), "");
        fs::create_symlink(cues / "a.wav", cues / "inne.wav");
        fs::create_symlink("/etc", cues / "ut");
        fs::create_symlink(cues, cues / "Akt 2/tilbake");
        ::mkfifo((cues / "rør").c_str(), 0600);
        fake::writeFile(home.path() / "løs.wav", "løs");
        drop = folders.add({cues, home.path() / "løs.wav", home.path() / "borte.wav"});
    }

    // The reply to a message on the drop's channel: its value, or its error.
    std::string ask(std::map<std::string, std::string> message) {
        message.emplace("drop", drop.id);
        std::string answer;
        folders.didReceiveScriptMessage(fake::FakeScriptMessage(std::move(message)), [&](ScriptReply reply) {
            answer =
                reply.errorMessage ? "error: " + *reply.errorMessage : std::get<std::string>(reply.result);
        });
        return answer;
    }
    // Every entry a reader of the entry lists, batch by batch to the empty one.
    std::vector<std::multiset<std::string>> read(const std::string& entry, const std::string& reader) {
        std::vector<std::multiset<std::string>> batches;
        do
            batches.push_back(namesIn(ask({{"cmd", "list"}, {"entry", entry}, {"reader", reader}})));
        while (!batches.back().empty() && batches.size() < 10);
        return batches;
    }

    fake::TemporaryHome home;
    const fs::path cues = home.path() / "Cues";
    fake::FakeMainWindow shown;
    HandOvers handOvers{shown.mainWindow};
    DroppedFolders folders{shown.mainWindow, handOvers};
    DroppedFolders::Drop drop;
};

TEST_F(DroppedFolder, ItsEntriesAreWhatLiesInsideItInTheSourcesOrder) {
    EXPECT_EQ(drop.items, "[{\"id\":0,\"name\":\"Cues\",\"directory\":true,\"fullPath\":\"/Cues\"},"
                          "{\"id\":1,\"name\":\"løs.wav\",\"directory\":false,\"fullPath\":\"/løs.wav\"}]")
        << "what is gone is left out";
    EXPECT_EQ(drop.files, std::vector<fs::path>{home.path() / "løs.wav"});

    std::vector<std::multiset<std::string>> cuesBatches = read("0", "1");
    ASSERT_EQ(cuesBatches.size(), 2u);
    EXPECT_EQ(cuesBatches[0], (std::multiset<std::string>{"a.wav", "Akt 2", "mange", "inne.wav"}))
        << "a link inside is followed; a link out of it and what is no file or folder are left out";
    std::string akt2 = ask({{"cmd", "find"}, {"entry", "0"}, {"path", "Akt 2"}});
    EXPECT_NE(akt2.find("\"fullPath\":\"/Cues/Akt 2\""), std::string::npos) << akt2;
    std::smatch id;
    ASSERT_TRUE(std::regex_search(akt2, id, std::regex("\"id\":(\\d+)")));
    EXPECT_EQ(read(id[1], "1")[0], (std::multiset<std::string>{"b.wav", "dypt"}))
        << "a link into a loop is left out";

    std::string many = ask({{"cmd", "find"}, {"entry", "0"}, {"path", "./mange"}});
    ASSERT_TRUE(std::regex_search(many, id, std::regex("\"id\":(\\d+)")));
    std::vector<std::size_t> sizes;
    for (const auto& batch : read(id[1], "7"))
        sizes.push_back(batch.size());
    EXPECT_EQ(sizes, (std::vector<std::size_t>{100, 100, 50, 0}));
    EXPECT_EQ(read("", "1"), (std::vector<std::multiset<std::string>>{{"Cues", "løs.wav"}, {}}))
        << "the root";
}

TEST_F(DroppedFolder, PathsReachOnlyWhatWasDropped) {
    const std::pair<std::map<std::string, std::string>, std::string> cases[] = {
        {{{"entry", "0"}, {"path", "Akt 2/dypt/c.txt"}}, "/Cues/Akt 2/dypt/c.txt"},
        {{{"entry", "0"}, {"path", "/Cues/a.wav"}}, "/Cues/a.wav"},
        {{{"entry", "0"}, {"path", "Akt 2/../a.wav"}}, "/Cues/a.wav"},
        {{{"entry", "0"}, {"path", "../løs.wav"}}, "null"},
        {{{"entry", "0"}, {"path", "ut/passwd"}}, "null"},
        {{{"entry", "0"}, {"path", "a.wav/x"}}, "null"},
        {{{"entry", "0"}, {"path", "finnes ikke"}}, "null"},
        {{{"entry", ""}, {"path", "/løs.wav"}}, "/løs.wav"},
        {{{"entry", "99"}, {"path", "a.wav"}}, "error: ukjent oppføring"},
    };
    for (auto [message, expected] : cases) {
        message["cmd"] = "find";
        std::string answer = ask(message);
        if (expected.starts_with("/"))
            EXPECT_NE(answer.find("\"fullPath\":\"" + expected + "\""), std::string::npos) << message["path"];
        else
            EXPECT_EQ(answer, expected) << message["path"];
    }
}

TEST_F(DroppedFolder, ItsFilesAreHandedOverAndOnlyToTheDocumentItWasDroppedOn) {
    std::string found = ask({{"cmd", "find"}, {"entry", "0"}, {"path", "Akt 2/b.wav"}});
    std::smatch id;
    ASSERT_TRUE(std::regex_search(found, id, std::regex("\"id\":(\\d+)")));
    std::string token = ask({{"cmd", "files"}, {"entries", std::string(id[1]) + ",1"}});
    ASSERT_TRUE(token.starts_with("\"application/x-vorl-drop-")) << token;
    std::optional<std::vector<fs::path>> files;
    handOvers.handOver({token.substr(1, token.size() - 2)}, [&](auto chosen) { files = chosen; });
    EXPECT_EQ(files, (std::vector<fs::path>{cues / "Akt 2/b.wav", home.path() / "løs.wav"}));
    EXPECT_EQ(ask({{"cmd", "files"}, {"entries", "0"}}), "error: ukjent oppføring") << "a folder is no file";
    std::string unasked = ask({{"cmd", "files"}, {"entries", "1"}});
    shown.web->scripts.back().completion(std::nullopt); // its pick-up ended without asking
    handOvers.handOver({unasked.substr(1, unasked.size() - 2)}, [&](auto chosen) { files = chosen; });
    EXPECT_EQ(files, std::nullopt) << "withdrawn once its pick-up has ended";

    ++shown.web->documentNumber;
    EXPECT_EQ(ask({{"cmd", "list"}, {"entry", "0"}, {"reader", "2"}}), "error: ukjent slipp");
}

} // namespace
} // namespace vorl
