#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

// How the sound of an AIFF, AIFF-C or CAF file lies, read from the start of the file as it
// arrives: plain PCM, float, A-law or µ-law, of any channels and rate.

namespace vorl {

struct PcmLayout {
    enum class Encoding { integer, floating, alaw, ulaw };
    Encoding encoding = Encoding::integer;
    unsigned width = 0; // bytes each sample takes
    unsigned bits = 0;  // of which the sample's own, high-aligned unless lowAligned
    bool bigEndian = true;
    bool unsignedBytes = false; // 8-bit samples as offset binary
    bool lowAligned = false;
    std::uint32_t channels = 0;
    double rate = 0;
    std::uint64_t dataOffset = 0;            // where the first frame starts
    std::optional<std::uint64_t> dataLength; // none: the sound goes to the file's end
    std::uint64_t frameBytes() const { return std::uint64_t{channels} * width; }
};

struct NeedMoreBytes {
    bool operator==(const NeedMoreBytes&) const = default;
};
struct NotDecodable {
    bool operator==(const NotDecodable&) const = default;
};
using PcmHead = std::variant<PcmLayout, NeedMoreBytes, NotDecodable>;

// Reads head, the file's first bytes, up to where its sound starts: the layout once that is
// there, NeedMoreBytes while it may still come, NotDecodable for a file that is none of these
// containers, holds compressed sound, has chunks that cannot be or names no sound. AIFF's
// sound is as long as COMM's frames; its sound chunk must come after COMM.
PcmHead readPcmHead(std::string_view head);

} // namespace vorl
