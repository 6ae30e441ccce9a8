// Any bytes that reach the application's GStreamer element as the head of an AIFF, AIFF-C or CAF
// file: the reading ends, and a layout it gives is one the element can send on.

#include "platform/gstreamer/pcm_layout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view head(reinterpret_cast<const char*>(data), size);
    vorl::PcmHead read = vorl::readPcmHead(head);
    if (const auto* found = std::get_if<vorl::PcmLayout>(&read)) {
        bool sane = found->channels >= 1 && found->channels <= 32 && found->width >= 1 && found->width <= 8 &&
                    found->bits >= 1 && found->bits <= 8 * found->width && found->rate >= 1000;
        if (!sane)
            std::abort();
    }
    return 0;
}
