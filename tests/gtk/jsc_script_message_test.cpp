// The page's messages as real JavaScript values, read in place: no shape of value costs more
// than the four entries the channel reads.

#include "bridge/page_message.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/jsc_script_message.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

TEST(JscScriptMessage, OnlyStringEntriesOfAPlainObjectAreReadWhateverElseItHolds) {
    const RejectedMessage invalid{"ugyldig melding"};
    const RejectedMessage unknown{"ukjent kommando"};
    const std::pair<const char*, PageRequest> cases[] = {
        {"'chooseFolder'", invalid},
        {"42", invalid},
        {"null", invalid},
        {"undefined", invalid},
        {"new Date()", invalid},
        {"['chooseFolder']", invalid},
        {"Object.assign([], {cmd: 'reveal'})", invalid},
        {"({})", invalid},
        {"({cmd: 1})", invalid},
        {"({cmd: 'reve\\0al'})", unknown},
        {"({cmd: 'chooseFolder', dir: true})", ChooseFolder{}},
        {"({cmd: 'saveAs', name: 7, dir: '/d'})", SaveAs{"/d", "slices.wav"}},
        {"({cmd: 'reveal', path: ''})", Reveal{}},
        {"({cmd: 'reveal', path: 'relativ/fil.wav'})", Reveal{}},
        {"({cmd: 'reveal', path: '/a/æ b.wav'})", Reveal{"/a/æ b.wav"}},
        // Shapes that cost time or memory in proportion to their size if anything walked them.
        {"(() => { const o = {cmd: 'nope'}; o.a = o; o.b = o; return o; })()", unknown},
        {"({cmd: 'reveal', path: '/a', sparse: Object.assign([], {length: 2 ** 32 - 1})})", Reveal{"/a"}},
        {"({cmd: 'saveAs', name: 'x.wav', samples: new Float64Array(1 << 20)})",
         SaveAs{std::nullopt, "x.wav"}},
        {"(() => { let o = {cmd: 'chooseFolder'}; for (let i = 0; i < 1e5; ++i) o = {cmd: 'chooseFolder', o};"
         " return o; })()",
         ChooseFolder{}},
        {"Object.fromEntries([...Array(1e5).keys()].map(k => ['k' + k, k]).concat([['cmd', 'saveAs']]))",
         SaveAs{std::nullopt, "slices.wav"}},
    };
    auto context = GObjectPtr<JSCContext>::adopt(jsc_context_new());
    for (const auto& [script, request] : cases) {
        auto value = GObjectPtr<JSCValue>::adopt(jsc_context_evaluate(context.get(), script, -1));
        EXPECT_EQ(decodePageMessage(JscScriptMessage(value.get())), request) << script;
    }
}

} // namespace
} // namespace vorl
