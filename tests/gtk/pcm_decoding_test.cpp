// The tool pages' PCM decoding, run in a bare JavaScriptCore: the table of files in
// pcm_decoding_cases.js, each checked for its channels, length and the value of every sample.

#include "webhost/page_scripts.h"

#include <gtest/gtest.h>
#include <jsc/jsc.h>

#include <fstream>
#include <sstream>

namespace vorl {
namespace {

std::string sourceFile(const char* path) {
    std::ifstream file(std::string(VORL_SOURCE_DIR) + "/" + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(PcmDecoding, EveryLayoutDecodesWithEveryChannelAndSampleAndBrokenFilesAreRefused) {
    g_autoptr(JSCContext) context = jsc_context_new();
    std::string source = std::string(pcmLayoutsScript) + "\n" + std::string(pcmDecodingScript) + "\n" +
                         sourceFile("tests/gtk/pcm_decoding_cases.js");
    g_autoptr(JSCValue) result = jsc_context_evaluate(context, source.c_str(), -1);
    if (JSCException* exception = jsc_context_get_exception(context))
        FAIL() << jsc_exception_report(exception);
    g_autofree char* failures = jsc_value_to_string(result);
    EXPECT_STREQ(failures, "[]");
}

} // namespace
} // namespace vorl
