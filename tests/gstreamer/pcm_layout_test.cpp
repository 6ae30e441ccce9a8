// The heads of AIFF, AIFF-C and CAF files as the application's GStreamer element reads them, as a
// table of files and the layouts they give.

#include "pcm_files.h"
#include "pcm_layout.h"

#include <gtest/gtest.h>

namespace vorl {
namespace {

using namespace std::string_literals;
using namespace testing;
using Encoding = PcmLayout::Encoding;

// What a case expects of a layout; fields left out are not checked.
struct Expected {
    Encoding encoding;
    unsigned width, bits;
    bool bigEndian;
    std::uint32_t channels;
    std::uint64_t dataOffset;
    std::optional<std::uint64_t> dataLength;
    bool lowAligned = false;
    bool unsignedBytes = false;
};

TEST(PcmLayout, EachHeadGivesWhereAndHowItsSoundLies) {
    const std::string name = chunk("NAME", "odd"); // three bytes, and a pad byte
    struct Case {
        const char* what;
        std::string file;
        std::variant<Expected, NeedMoreBytes, NotDecodable> head;
    };
    const std::vector<Case> cases = {
        {"AIFF, 16-bit stereo", aiff(comm(2, 2, 16, 44100) + ssnd("\1\2\3\4\5\6\7\x08"s)),
         Expected{Encoding::integer, 2, 16, true, 2, 54, 8}},
        {"AIFF, chunks of odd size and an offset", aiff(name + comm(1, 1, 16, 44100) + ssnd("\1\2", 3)),
         Expected{Encoding::integer, 2, 16, true, 1, 69, 2}},
        {"AIFF, 12 bits in two bytes", aiff(comm(1, 1, 12, 8000) + ssnd("\x12\x30")),
         Expected{Encoding::integer, 2, 12, true, 1, 54, 2}},
        {"AIFF-C sowt", aiff(comm(2, 1, 16, 44100, "sowt") + ssnd("\1\2\3\4"), "AIFC"),
         Expected{Encoding::integer, 2, 16, false, 2, 64, 4}},
        {"AIFF-C in24", aiff(comm(1, 1, 24, 44100, "in24") + ssnd("\1\2\3"), "AIFC"),
         Expected{Encoding::integer, 3, 24, true, 1, 64, 3}},
        {"AIFF-C fl32, 5.1", aiff(comm(6, 1, 32, 48000, "fl32") + ssnd(std::string(24, '\0')), "AIFC"),
         Expected{Encoding::floating, 4, 32, true, 6, 64, 24}},
        {"AIFF-C raw, offset binary", aiff(comm(1, 2, 8, 44100, "raw ") + ssnd("\0\x80"s), "AIFC"),
         Expected{Encoding::integer, 1, 8, true, 1, 64, 2, false, true}},
        {"AIFF-C ulaw", aiff(comm(1, 1, 8, 8000, "ulaw") + ssnd("\1"), "AIFC"),
         Expected{Encoding::ulaw, 1, 8, true, 1, 64, 1}},
        {"CAF, 24-bit little-endian, 7.1", caf(8, 24, 2, std::string(24, '\0')),
         Expected{Encoding::integer, 3, 24, false, 8, 68, 24}},
        {"CAF, 24 bits low in 4-byte words", caf(2, 24, 2, std::string(8, '\0'), -2, "lpcm", 4),
         Expected{Encoding::integer, 4, 24, false, 2, 68, 8, true}},
        {"CAF, 24 bits high in 4-byte words", caf(2, 24, 0x12, std::string(8, '\0'), -2, "lpcm", 4),
         Expected{Encoding::integer, 4, 24, false, 2, 68, 8, false}},
        {"CAF, 64-bit float big-endian", caf(1, 64, 1, std::string(8, '\0')),
         Expected{Encoding::floating, 8, 64, true, 1, 68, 8}},
        {"CAF A-law, its bit size out of range", caf(1, 65536, 0, "\1", -2, "alaw", 1),
         Expected{Encoding::alaw, 1, 8, true, 1, 68, 1}},
        {"CAF, its sound's size left open", caf(1, 16, 0, "\1\2\3\4", -1),
         Expected{Encoding::integer, 2, 16, true, 1, 68, std::nullopt}},
        {"AIFF cut in its COMM", aiff(comm(1, 1, 16, 44100)).substr(0, 30), NeedMoreBytes{}},
        {"AIFF before its sound's offset", aiff(comm(1, 1, 16, 44100) + ssnd("\1\2")).substr(0, 50),
         NeedMoreBytes{}},
        {"CAF cut in its desc", caf(1, 16, 0, "\1\2").substr(0, 30), NeedMoreBytes{}},
        {"AIFF, its sound before its COMM", aiff(ssnd("\1\2") + comm(1, 1, 16, 44100)), NotDecodable{}},
        {"AIFF at no rate", aiff(comm(1, 1, 16, 0) + ssnd("\1\2")), NotDecodable{}},
        {"AIFF-C compressed", aiff(comm(1, 1, 16, 8000, "ima4") + ssnd("\1"), "AIFC"), NotDecodable{}},
        {"CAF of 33 channels", caf(33, 16, 0, std::string(66, '\0')), NotDecodable{}},
        {"CAF of compressed sound", caf(1, 16, 0, "\1\2", -2, "aac "), NotDecodable{}},
        {"CAF, float of 24 bits", caf(1, 24, 1, "\1\2\3"), NotDecodable{}},
        {"a WAV file", "RIFF\x24\x00\x00\x00WAVEfmt "s, NotDecodable{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PcmHead head = readPcmHead(c.file);
        if (!std::holds_alternative<Expected>(c.head)) {
            EXPECT_EQ(head.index(), c.head.index());
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<PcmLayout>(head)) << head.index();
        const auto& layout = std::get<PcmLayout>(head);
        const auto& expected = std::get<Expected>(c.head);
        EXPECT_EQ(layout.encoding, expected.encoding);
        EXPECT_EQ(layout.width, expected.width);
        EXPECT_EQ(layout.bits, expected.bits);
        EXPECT_EQ(layout.bigEndian, expected.bigEndian);
        EXPECT_EQ(layout.channels, expected.channels);
        EXPECT_EQ(layout.dataOffset, expected.dataOffset);
        EXPECT_EQ(layout.dataLength, expected.dataLength);
        EXPECT_EQ(layout.lowAligned, expected.lowAligned);
        EXPECT_EQ(layout.unsignedBytes, expected.unsignedBytes);
    }
}

} // namespace
} // namespace vorl
