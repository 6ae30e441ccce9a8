// Which pages are the tool's own, and what the application gives only them: the decoding of
// their PCM audio files, and the files and folders dropped on them.

#include "fake/app_fixture.h"
#include "webhost/tool_pages.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

const Url builtIn =
    *Url::parse("file:///home/a/Library/Application%20Support/VORL%20Vorudi/Auto-Vorudi.html");

TEST(ToolPages, TheEnginesPagesOnItsPortAndTheBuiltInPageOnly) {
    const std::pair<const char*, bool> cases[] = {
        {"http://127.0.0.1:8765/", true},
        {"http://127.0.0.1:8765/fixtures/lyd.html?x#y", true},
        {"http://localhost:8765/", false}, // may name ::1, where nobody vets who listens
        {"file:///home/a/Library/Application%20Support/VORL%20Vorudi/Auto-Vorudi.html", true},
        {"file:///home/a/Library/Application%20Support/VORL%20Vorudi/Auto-Vorudi.html#slices", true},
        {"http://127.0.0.1:9000/", false},
        {"http://127.0.0.1/", false},
        {"https://127.0.0.1:8765/", false},
        {"http://[::1]:8765/", false},
        {"http://example.org:8765/", false},
        {"file:///home/a/Library/Application%20Support/VORL%20Vorudi/other.html", false},
        {"file:///tmp/Auto-Vorudi.html", false},
        {"about:blank", false}, // the splash
        {"blob:http://127.0.0.1:8765/5e1f", false},
    };
    for (const auto& [page, tool] : cases)
        EXPECT_EQ(isToolPage(Url::parse(page), builtIn), tool) << page;
    EXPECT_FALSE(isToolPage(std::nullopt, builtIn)) << "before the first load";
}

class PageScripts : public fake::AppFixture {};

TEST_F(PageScripts, OnlyTheToolsPagesGetTheirAudioDecodingAndTheirDrops) {
    launch();
    const WebViewConfiguration& configuration = web().configuration;
    ASSERT_EQ(configuration.userScripts.size(), 2u);
    EXPECT_NE(configuration.userScripts[0].source.find("function pcmDecoding()"), std::string::npos);
    EXPECT_NE(configuration.userScripts[1].source.find("Symbol.for(\"vorl.drops\")"), std::string::npos);
    for (const UserScript& script : configuration.userScripts)
        EXPECT_EQ(script.allowList,
                  (std::vector<std::string>{"http://127.0.0.1/*",
                                            Url::fileUrl(places.ENG / "Auto-Vorudi.html").string()}));
}

} // namespace
} // namespace vorl
