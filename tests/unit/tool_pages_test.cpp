// Which pages are the tool's own, and what the application gives only them: the conversion of
// audio files the platform cannot decode.

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
        {"http://localhost:8765/", true},
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

class AudioFiles : public fake::AppFixture {
protected:
    AudioFiles() { launch(); }

    // The answer to a request of the audio scheme from page; none while it is unanswered.
    std::optional<std::optional<UrlSchemeResponse>> ask(const std::string& page, const std::string& body,
                                                        const std::string& method = "POST") {
        std::optional<std::optional<UrlSchemeResponse>> answer;
        web().configuration.urlSchemeHandlers.at(0).handler->startUrlSchemeTask(
            UrlSchemeTask{*Url::parse("vorl-audio://wav"), method, body, Url::parse(page)},
            [&](std::optional<UrlSchemeResponse> response) { answer = std::move(response); });
        return answer;
    }
};

TEST_F(AudioFiles, OnlyTheToolsPagesGetTheirAiffMadeWavAndAFileThatCannotBeIsRefused) {
    // The shortest AIFF there is: one frame of silence.
    const std::string aiff = std::string("FORM\0\0\0\x2e"
                                         "AIFFCOMM\0\0\0\x12\0\x01\0\0\0\x01\0\x10\x40\x0e\xac\x44",
                                         32) +
                             std::string(6, '\0') + std::string("SSND\0\0\0\x0a", 8) + std::string(10, '\0');
    std::optional<std::optional<UrlSchemeResponse>> converted = ask("http://127.0.0.1:8765/", aiff);
    ASSERT_TRUE(converted && *converted);
    EXPECT_EQ((*converted)->mimeType, "audio/wav");
    EXPECT_TRUE((*converted)->body.starts_with("RIFF"));
    auto refused = [](const std::optional<std::optional<UrlSchemeResponse>>& answer) {
        return answer && !*answer;
    };
    EXPECT_TRUE(refused(ask("about:blank", aiff))) << "the splash";
    EXPECT_TRUE(refused(ask("http://example.org:8765/", aiff)));
    EXPECT_TRUE(refused(ask("http://127.0.0.1:8765/", aiff, "GET")));
    EXPECT_TRUE(refused(ask("http://127.0.0.1:8765/", aiff.substr(0, 50))))
        << "cut short: an EncodingError in the page";

    const WebViewConfiguration& configuration = web().configuration;
    ASSERT_EQ(configuration.urlSchemeHandlers.size(), 1u);
    EXPECT_EQ(configuration.urlSchemeHandlers[0].scheme, "vorl-audio");
    EXPECT_TRUE(configuration.urlSchemeHandlers[0].handler);
    ASSERT_EQ(configuration.userScripts.size(), 1u);
    EXPECT_NE(configuration.userScripts[0].source.find("vorl-audio://wav"), std::string::npos);
    EXPECT_EQ(configuration.userScripts[0].allowList,
              (std::vector<std::string>{"http://127.0.0.1/*", "http://localhost/*",
                                        Url::fileUrl(places.ENG / "Auto-Vorudi.html").string()}));
}

} // namespace
} // namespace vorl
