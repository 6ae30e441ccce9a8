// AIFF, AIFF-C and CAF files turned into WAV, as a table of files and what a decoder gets.

#include "webhost/pcm_container.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace vorl {
namespace {

using namespace std::string_literals;

std::string bigEndian(std::uint64_t value, int width) {
    std::string bytes;
    for (int i = width - 1; i >= 0; --i)
        bytes.push_back(static_cast<char>(value >> (8 * i) & 0xff));
    return bytes;
}

std::uint64_t littleEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

// An 80-bit extended number for a whole rate.
std::string extended(std::uint32_t rate) {
    if (rate == 0)
        return std::string(10, '\0');
    int exponent = 31 - std::countl_zero(rate);
    std::uint64_t mantissa = std::uint64_t{rate} << (63 - exponent);
    return bigEndian(static_cast<std::uint64_t>(16383 + exponent), 2) + bigEndian(mantissa, 8);
}

std::string chunk(const std::string& id, const std::string& body) {
    return id + bigEndian(body.size(), 4) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}

std::string comm(int channels, std::uint32_t frames, int bits, std::uint32_t rate,
                 const std::string& type = "") {
    std::string body = bigEndian(channels, 2) + bigEndian(frames, 4) + bigEndian(bits, 2) + extended(rate);
    if (!type.empty())
        body += type + "\x04none" + std::string(1, '\0'); // compression name, a padded Pascal string
    return chunk("COMM", body);
}

std::string ssnd(const std::string& samples, std::uint32_t offset = 0) {
    return chunk("SSND", bigEndian(offset, 4) + bigEndian(0, 4) + std::string(offset, 'x') + samples);
}

std::string aiff(const std::string& chunks, const std::string& form = "AIFF") {
    return "FORM" + bigEndian(4 + chunks.size(), 4) + form + chunks;
}

std::string caf(std::uint32_t channels, std::uint32_t bits, std::uint32_t flags, const std::string& samples,
                std::int64_t dataSize = -2, const std::string& format = "lpcm") {
    std::uint32_t bytes = (bits + 7) / 8;
    std::string desc = bigEndian(std::bit_cast<std::uint64_t>(48000.0), 8) + format + bigEndian(flags, 4) +
                       bigEndian(channels * bytes, 4) + bigEndian(1, 4) + bigEndian(channels, 4) +
                       bigEndian(bits, 4);
    std::string data = bigEndian(0, 4) + samples;
    std::uint64_t size = dataSize == -2 ? data.size() : static_cast<std::uint64_t>(dataSize);
    return "caff" + bigEndian(1, 2) + bigEndian(0, 2) + "desc" + bigEndian(desc.size(), 8) + desc + "data" +
           bigEndian(size, 8) + data;
}

// What a decoder reads of a WAV file.
struct Wav {
    int tag, channels, rate, bits;
    std::string samples;
    bool operator==(const Wav&) const = default;
};

std::optional<Wav> readWav(const std::optional<std::string>& file) {
    if (!file)
        return std::nullopt;
    std::string_view wav = *file;
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(littleEndian(wav.substr(4, 4)), wav.size() - 8) << "the RIFF size";
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    std::size_t fmtSize = littleEndian(wav.substr(16, 4));
    int tag = static_cast<int>(littleEndian(wav.substr(20, 2)));
    int channels = static_cast<int>(littleEndian(wav.substr(22, 2)));
    int rate = static_cast<int>(littleEndian(wav.substr(24, 4)));
    int bits = static_cast<int>(littleEndian(wav.substr(34, 2)));
    EXPECT_EQ(littleEndian(wav.substr(32, 2)), static_cast<std::uint64_t>(channels * bits / 8))
        << "block align";
    std::size_t data = 20 + fmtSize;
    EXPECT_EQ(wav.substr(data, 4), "data");
    std::size_t size = littleEndian(wav.substr(data + 4, 4));
    return Wav{tag, channels, rate, bits, std::string(wav.substr(data + 8, size))};
}

TEST(PcmContainer, EachLayoutBecomesTheSameSamplesInWavsOrder) {
    const std::string name = chunk("NAME", "odd"); // three bytes, and a pad byte
    struct Case {
        const char* what;
        std::string file;
        std::optional<Wav> wav;
    };
    const std::vector<Case> cases = {
        {"AIFF, 16-bit stereo", aiff(comm(2, 2, 16, 44100) + ssnd("\x01\x02\xff\xfe\x80\x00\x7f\xff"s)),
         Wav{1, 2, 44100, 16, "\x02\x01\xfe\xff\x00\x80\xff\x7f"s}},
        {"AIFF, signed 8-bit as WAV's offset binary",
         aiff(comm(1, 3, 8, 22050) + ssnd(std::string("\x80\x00\x7f", 3))),
         Wav{1, 1, 22050, 8, std::string("\x00\x80\xff", 3)}},
        {"AIFF, 24-bit", aiff(comm(1, 2, 24, 48000) + ssnd("\x12\x34\x56\xff\xff\xfe")),
         Wav{1, 1, 48000, 24, "\x56\x34\x12\xfe\xff\xff"}},
        {"AIFF, 32-bit", aiff(comm(1, 1, 32, 96000) + ssnd("\x01\x02\x03\x04")),
         Wav{1, 1, 96000, 32, "\x04\x03\x02\x01"}},
        {"AIFF, 12-bit in two bytes", aiff(comm(1, 1, 12, 8000) + ssnd("\x12\x30")),
         Wav{1, 1, 8000, 16, "\x30\x12"}},
        {"AIFF, chunks of odd size, an offset, sound after its frames",
         aiff(name + comm(1, 1, 16, 44100) + name + ssnd("\x01\x02\x03\x04", 3)),
         Wav{1, 1, 44100, 16, "\x02\x01"}},
        {"AIFF, its sound before its COMM", aiff(ssnd("\x01\x02") + comm(1, 1, 16, 44100)),
         Wav{1, 1, 44100, 16, "\x02\x01"}},
        {"AIFF-C NONE", aiff(comm(1, 1, 16, 44100, "NONE") + ssnd("\x01\x02"), "AIFC"),
         Wav{1, 1, 44100, 16, "\x02\x01"}},
        {"AIFF-C sowt, little-endian already",
         aiff(comm(1, 2, 16, 44100, "sowt") + ssnd("\x01\x02\x03\x04"), "AIFC"),
         Wav{1, 1, 44100, 16, "\x01\x02\x03\x04"}},
        {"AIFF-C fl32", aiff(comm(1, 1, 32, 44100, "fl32") + ssnd("\x3f\x80\x00\x00"s), "AIFC"),
         Wav{3, 1, 44100, 32, std::string("\x00\x00\x80\x3f", 4)}},
        {"AIFF-C fl64",
         aiff(comm(1, 1, 64, 44100, "fl64") + ssnd(std::string("\x3f\xf0\0\0\0\0\0\0", 8)), "AIFC"),
         Wav{3, 1, 44100, 64, std::string("\0\0\0\0\0\0\xf0\x3f", 8)}},
        {"AIFF-C in24", aiff(comm(1, 1, 24, 44100, "in24") + ssnd("\x01\x02\x03"), "AIFC"),
         Wav{1, 1, 44100, 24, "\x03\x02\x01"}},
        {"AIFF-C raw, offset binary already",
         aiff(comm(1, 2, 8, 44100, "raw ") + ssnd(std::string("\x00\x80", 2)), "AIFC"),
         Wav{1, 1, 44100, 8, std::string("\x00\x80", 2)}},
        {"six channels, in WAV's extensible form",
         aiff(comm(6, 1, 16, 48000) + ssnd(std::string(12, '\x01'))),
         Wav{0xfffe, 6, 48000, 16, std::string(12, '\x01')}},
        {"CAF, 16-bit big-endian", caf(2, 16, 0, "\x01\x02\x03\x04"),
         Wav{1, 2, 48000, 16, "\x02\x01\x04\x03"}},
        {"CAF, 24-bit little-endian", caf(1, 24, 2, "\x01\x02\x03"), Wav{1, 1, 48000, 24, "\x01\x02\x03"}},
        {"CAF, 32-bit float little-endian", caf(1, 32, 3, std::string("\x00\x00\x80\x3f", 4)),
         Wav{3, 1, 48000, 32, std::string("\x00\x00\x80\x3f", 4)}},
        {"CAF, its sound's size left open", caf(1, 16, 0, "\x01\x02\x03\x04\x05", -1),
         Wav{1, 1, 48000, 16, "\x02\x01\x04\x03"}},
        {"AIFF cut short of its frames", aiff(comm(1, 3, 16, 44100) + ssnd("\x01\x02\x03\x04")),
         std::nullopt},
        {"AIFF cut in its COMM", aiff(comm(1, 1, 16, 44100)).substr(0, 30), std::nullopt},
        {"AIFF cut before its sound", aiff(comm(1, 1, 16, 44100) + ssnd("\x01\x02")).substr(0, 46),
         std::nullopt},
        {"AIFF without sound", aiff(comm(1, 1, 16, 44100)), std::nullopt},
        {"AIFF at no rate", aiff(comm(1, 1, 16, 0) + ssnd("\x01\x02")), std::nullopt},
        {"AIFF-C compressed", aiff(comm(1, 1, 8, 8000, "ulaw") + ssnd("\x01"), "AIFC"), std::nullopt},
        {"CAF cut short of its sound", caf(1, 16, 0, "\x01\x02\x03\x04", 100), std::nullopt},
        {"CAF of compressed sound", caf(1, 16, 0, "\x01\x02", -2, "aac "), std::nullopt},
        {"a WAV file", "RIFF\x24\x00\x00\x00WAVEfmt ", std::nullopt},
        {"nothing", "", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readWav(wavFromPcmContainer(c.file)), c.wav) << c.what;
}

TEST(PcmContainer, RecognisedByItsFirstBytesOnly) {
    EXPECT_TRUE(isPcmContainer("FORM\0\0\0\0AIFF"s));
    EXPECT_TRUE(isPcmContainer("FORM\xff\xff\xff\xff"
                               "AIFC"));
    EXPECT_TRUE(isPcmContainer("caff\x00\x01\x00\x00"s));
    EXPECT_FALSE(isPcmContainer("caff\x00\x02\x00\x00"s));
    EXPECT_FALSE(isPcmContainer("FORM\0\0\0\0WAVE"s));
    EXPECT_FALSE(isPcmContainer("FORM"));
    EXPECT_FALSE(isPcmContainer("RIFF\0\0\0\0WAVE"s));
}

} // namespace
} // namespace vorl
