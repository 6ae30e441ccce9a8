#pragma once

// AIFF, AIFF-C and CAF files, made byte by byte for the tests.

#include <bit>
#include <cstdint>
#include <string>

namespace vorl::testing {

inline std::string bigEndian(std::uint64_t value, int width) {
    std::string bytes;
    for (int i = width - 1; i >= 0; --i)
        bytes.push_back(static_cast<char>(value >> (8 * i) & 0xff));
    return bytes;
}

// An 80-bit extended number for a whole rate.
inline std::string extended(std::uint32_t rate) {
    if (rate == 0)
        return std::string(10, '\0');
    int exponent = 31 - std::countl_zero(rate);
    std::uint64_t mantissa = std::uint64_t{rate} << (63 - exponent);
    return bigEndian(static_cast<std::uint64_t>(16383 + exponent), 2) + bigEndian(mantissa, 8);
}

inline std::string chunk(const std::string& id, const std::string& body) {
    return id + bigEndian(body.size(), 4) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}

inline std::string comm(int channels, std::uint32_t frames, int bits, std::uint32_t rate,
                        const std::string& type = "") {
    std::string body = bigEndian(channels, 2) + bigEndian(frames, 4) + bigEndian(bits, 2) + extended(rate);
    if (!type.empty())
        body += type + "\x04none" + std::string(1, '\0'); // compression name, a padded Pascal string
    return chunk("COMM", body);
}

inline std::string ssnd(const std::string& samples, std::uint32_t offset = 0) {
    return chunk("SSND", bigEndian(offset, 4) + bigEndian(0, 4) + std::string(offset, 'x') + samples);
}

inline std::string aiff(const std::string& chunks, const std::string& form = "AIFF") {
    return "FORM" + bigEndian(4 + chunks.size(), 4) + form + chunks;
}

// A CAF file: width bytes each sample, bits of it.
inline std::string caf(std::uint32_t channels, std::uint32_t bits, std::uint32_t flags,
                       const std::string& samples, std::int64_t dataSize = -2,
                       const std::string& format = "lpcm", std::uint32_t width = 0) {
    width = width ? width : (bits + 7) / 8;
    std::string desc = bigEndian(std::bit_cast<std::uint64_t>(48000.0), 8) + format + bigEndian(flags, 4) +
                       bigEndian(channels * width, 4) + bigEndian(1, 4) + bigEndian(channels, 4) +
                       bigEndian(bits, 4);
    std::string data = bigEndian(0, 4) + samples;
    std::uint64_t size = dataSize == -2 ? data.size() : static_cast<std::uint64_t>(dataSize);
    return "caff" + bigEndian(1, 2) + bigEndian(0, 2) + "desc" + bigEndian(desc.size(), 8) + desc + "data" +
           bigEndian(size, 8) + data;
}

} // namespace vorl::testing
