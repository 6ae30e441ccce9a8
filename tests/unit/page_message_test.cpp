#include "bridge/page_message.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

ScriptValue dictionary(std::initializer_list<std::pair<const std::string, ScriptValue>> entries) {
    return ScriptValue{ScriptValue::Dictionary(entries)};
}
ScriptValue text(const char* value) {
    return ScriptValue{std::string(value)};
}

TEST(PageMessage, DecodesWhatThePageAsksAndRejectsWhatItCannotTake) {
    const RejectedMessage invalid{"ugyldig melding"};
    const RejectedMessage unknown{"ukjent kommando"};
    const std::pair<ScriptValue, PageRequest> cases[] = {
        {text("chooseFolder"), invalid},
        {ScriptValue{3.0}, invalid},
        {ScriptValue{ScriptValue::Array{text("chooseFolder")}}, invalid},
        {ScriptValue{}, invalid},
        {dictionary({}), invalid},
        {dictionary({{"dir", text("/tmp")}}), invalid},
        {dictionary({{"cmd", ScriptValue{1.0}}}), invalid},
        {dictionary({{"cmd", text("choosefolder")}}), unknown},
        {dictionary({{"cmd", text("save")}}), unknown},
        {dictionary({{"cmd", text("reveal ")}}), unknown},
        {dictionary({{"cmd", text("")}}), unknown},
        {dictionary({{"cmd", text("chooseFolder")}}), ChooseFolder{}},
        {dictionary({{"cmd", text("chooseFolder")}, {"dir", text("/home/a b")}}), ChooseFolder{"/home/a b"}},
        {dictionary({{"cmd", text("chooseFolder")}, {"dir", text("")}}), ChooseFolder{}},
        {dictionary({{"cmd", text("chooseFolder")}, {"dir", ScriptValue{true}}}), ChooseFolder{}},
        {dictionary({{"cmd", text("saveAs")}}), SaveAs{std::nullopt, "slices.wav"}},
        {dictionary({{"cmd", text("saveAs")}, {"name", ScriptValue{7.0}}}),
         SaveAs{std::nullopt, "slices.wav"}},
        {dictionary({{"cmd", text("saveAs")}, {"name", text("")}}), SaveAs{std::nullopt, ""}},
        {dictionary({{"cmd", text("saveAs")}, {"name", text("lyd.wav")}, {"dir", text("/d")}}),
         SaveAs{"/d", "lyd.wav"}},
        {dictionary({{"cmd", text("reveal")}}), Reveal{}},
        {dictionary({{"cmd", text("reveal")}, {"path", ScriptValue{}}}), Reveal{}},
        {dictionary({{"cmd", text("reveal")},
                     {"path", text("/a/b.wav")},
                     {"dir", text("/x")},
                     {"extra", ScriptValue{}}}),
         Reveal{"/a/b.wav"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(decodePageMessage(cases[i].first), cases[i].second) << "case " << i;
}

} // namespace
} // namespace vorl
