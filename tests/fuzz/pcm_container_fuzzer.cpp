// Any bytes a page could hand over as an AIFF, AIFF-C or CAF file: the conversion ends, and what
// it makes is a whole WAV file.

#include "webhost/pcm_container.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view file(reinterpret_cast<const char*>(data), size);
    std::optional<std::string> wav = vorl::wavFromPcmContainer(file);
    if (!wav)
        return 0;
    auto byte = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>((*wav)[at]));
    };
    std::uint32_t riffSize = byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24;
    if (!wav->starts_with("RIFF") || riffSize != wav->size() - 8)
        std::abort();
    return 0;
}
