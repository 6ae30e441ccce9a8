#include "pcm_layout.h"

#include <bit>
#include <cmath>
#include <string>

namespace vorl {
namespace {

using Encoding = PcmLayout::Encoding;

std::uint64_t bigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

bool sane(const PcmLayout& layout) {
    return layout.channels >= 1 && layout.channels <= 32 && layout.rate >= 1000 && layout.rate <= 768000;
}

// AIFF's sample rate: an 80-bit extended number.
double extendedRate(std::string_view ten) {
    std::uint64_t signAndExponent = bigEndian(ten, 0, 2);
    if (signAndExponent & 0x8000)
        return 0;
    return std::ldexp(static_cast<double>(bigEndian(ten, 2, 8)),
                      static_cast<int>(signAndExponent) - 16383 - 63);
}

// How an AIFF-C compression type lays its samples out, given COMM's sample size; nothing for a
// compressed one.
std::optional<PcmLayout> aiffSample(std::string_view type, unsigned bits) {
    auto layout = [](Encoding encoding, unsigned width, unsigned sampleBits, bool big, bool offset = false) {
        PcmLayout made;
        made.encoding = encoding;
        made.width = width;
        made.bits = sampleBits;
        made.bigEndian = big;
        made.unsignedBytes = offset;
        return std::optional(made);
    };
    unsigned width = (bits + 7) / 8;
    if ((type == "NONE" || type == "twos" || type == "sowt") && width >= 1 && width <= 4)
        return layout(Encoding::integer, width, bits, type != "sowt");
    if (type == "in24" || type == "42ni")
        return layout(Encoding::integer, 3, 24, type == "in24");
    if (type == "in32" || type == "23ni")
        return layout(Encoding::integer, 4, 32, type == "in32");
    if (type == "fl32" || type == "FL32")
        return layout(Encoding::floating, 4, 32, true);
    if (type == "fl64" || type == "FL64")
        return layout(Encoding::floating, 8, 64, true);
    if (type == "raw ")
        return layout(Encoding::integer, 1, 8, true, true);
    if (type == "alaw" || type == "ALAW")
        return layout(Encoding::alaw, 1, 8, true);
    if (type == "ulaw" || type == "ULAW")
        return layout(Encoding::ulaw, 1, 8, true);
    return std::nullopt;
}

PcmHead aiffHead(std::string_view head) {
    bool compressed = head.substr(8, 4) == "AIFC";
    std::optional<PcmLayout> layout;
    std::uint64_t frames = 0;
    for (std::size_t at = 12;;) {
        if (at + 8 > head.size())
            return NeedMoreBytes{};
        std::string_view id = head.substr(at, 4);
        std::uint64_t size = bigEndian(head, at + 4, 4);
        if (id == "SSND") {
            if (!layout || size < 8)
                return NotDecodable{};
            if (at + 16 > head.size())
                return NeedMoreBytes{};
            layout->dataOffset = at + 16 + bigEndian(head, at + 8, 4);
            layout->dataLength = frames * layout->frameBytes();
            return *layout;
        }
        if (id == "COMM") {
            if (size < (compressed ? 22u : 18u))
                return NotDecodable{};
            if (at + 8 + size > head.size())
                return NeedMoreBytes{};
            std::string_view comm = head.substr(at + 8, size);
            auto bits = static_cast<unsigned>(bigEndian(comm, 6, 2));
            layout = aiffSample(compressed ? comm.substr(18, 4) : "NONE", bits);
            if (!layout)
                return NotDecodable{};
            layout->channels = static_cast<std::uint32_t>(bigEndian(comm, 0, 2));
            layout->rate = extendedRate(comm.substr(8, 10));
            frames = bigEndian(comm, 2, 4);
            if (!sane(*layout))
                return NotDecodable{};
        }
        at += 8 + size + (size & 1); // a chunk of odd size is followed by a pad byte
    }
}

PcmHead cafHead(std::string_view head) {
    std::optional<PcmLayout> layout;
    for (std::size_t at = 8;;) {
        if (at + 12 > head.size())
            return NeedMoreBytes{};
        std::string_view type = head.substr(at, 4);
        auto size = static_cast<std::int64_t>(bigEndian(head, at + 4, 8));
        bool open = type == "data" && size == -1;
        if (!open && (size < 0 || size > std::int64_t{1} << 40))
            return NotDecodable{};
        if (type == "data") {
            if (!layout || (!open && size < 4))
                return NotDecodable{};
            layout->dataOffset = at + 16;
            if (!open)
                layout->dataLength = static_cast<std::uint64_t>(size) - 4;
            return *layout;
        }
        if (type == "desc") {
            if (size < 32)
                return NotDecodable{};
            if (at + 44 > head.size())
                return NeedMoreBytes{};
            std::string_view desc = head.substr(at + 12, 32);
            std::string_view format = desc.substr(8, 4);
            std::uint64_t flags = bigEndian(desc, 12, 4), packetBytes = bigEndian(desc, 16, 4);
            auto channels = static_cast<std::uint32_t>(bigEndian(desc, 24, 4));
            auto bits = static_cast<unsigned>(bigEndian(desc, 28, 4));
            if (bigEndian(desc, 20, 4) != 1 || channels == 0 || packetBytes % channels)
                return NotDecodable{};
            PcmLayout made;
            made.width = static_cast<unsigned>(packetBytes / channels);
            made.bits = bits;
            made.bigEndian = !(flags & 2);
            made.channels = channels;
            made.rate = std::bit_cast<double>(bigEndian(desc, 0, 8));
            if (format == "lpcm" && (flags & 1)) {
                made.encoding = Encoding::floating;
                if ((bits != 32 && bits != 64) || made.width != bits / 8)
                    return NotDecodable{};
            } else if (format == "lpcm") {
                if (bits < 1 || bits > 8 * made.width || made.width > 4)
                    return NotDecodable{};
                made.lowAligned = !(flags & 0x10) && bits < 8 * made.width;
            } else if ((format == "alaw" || format == "ulaw") && made.width == 1) {
                made.encoding = format == "alaw" ? Encoding::alaw : Encoding::ulaw;
                made.bits = 8; // whatever the desc says, a law sample is one byte
            } else {
                return NotDecodable{};
            }
            if (!sane(made))
                return NotDecodable{};
            layout = made;
        }
        at += 12 + static_cast<std::uint64_t>(size);
    }
}

} // namespace

PcmHead readPcmHead(std::string_view head) {
    if (head.size() < 12)
        return NeedMoreBytes{};
    if (head.starts_with("FORM") && (head.substr(8, 4) == "AIFF" || head.substr(8, 4) == "AIFC"))
        return aiffHead(head);
    if (head.starts_with("caff") && bigEndian(head, 4, 2) == 1)
        return cafHead(head);
    return NotDecodable{};
}

} // namespace vorl
