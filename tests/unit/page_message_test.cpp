#include "bridge/page_message.h"
#include "fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

using Entries = std::map<std::string, std::string>;

TEST(PageMessage, DecodesWhatThePageAsksAndRejectsWhatItCannotTake) {
    const RejectedMessage invalid{"ugyldig melding"};
    const RejectedMessage unknown{"ukjent kommando"};
    const std::pair<Entries, PageRequest> cases[] = {
        {{}, invalid},
        {{{"dir", "/tmp"}}, invalid},
        {{{"cmd", "choosefolder"}}, unknown},
        {{{"cmd", "save"}}, unknown},
        {{{"cmd", "reveal "}}, unknown},
        {{{"cmd", std::string("reveal\0x", 8)}}, unknown},
        {{{"cmd", ""}}, unknown},
        {{{"cmd", "chooseFolder"}}, ChooseFolder{}},
        {{{"cmd", "chooseFolder"}, {"dir", "/home/a b"}}, ChooseFolder{"/home/a b"}},
        {{{"cmd", "chooseFolder"}, {"dir", ""}}, ChooseFolder{}},
        {{{"cmd", "saveAs"}}, SaveAs{std::nullopt, "slices.wav"}},
        {{{"cmd", "saveAs"}, {"name", ""}}, SaveAs{std::nullopt, ""}},
        {{{"cmd", "saveAs"}, {"name", "lyd.wav"}, {"dir", "/d"}}, SaveAs{"/d", "lyd.wav"}},
        {{{"cmd", "reveal"}}, Reveal{}},
        {{{"cmd", "reveal"}, {"path", "/a/b.wav"}, {"dir", "/x"}, {"extra", ""}}, Reveal{"/a/b.wav"}},
        {{{"cmd", "reveal"}, {"path", ""}}, Reveal{}},
        {{{"cmd", "reveal"}, {"path", "relative/b.wav"}}, Reveal{}},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(decodePageMessage(fake::FakeScriptMessage(cases[i].first)), cases[i].second)
            << "case " << i;
}

} // namespace
} // namespace vorl
