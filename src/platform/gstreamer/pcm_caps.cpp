#include "pcm_caps.h"

#include <gst/audio/audio.h>

#include <algorithm>
#include <cmath>

namespace vorl {
namespace {

// The raw format of a layout; none where GStreamer has no such format (bits low in a word of
// other than 24 in 32).
std::optional<GstAudioFormat> rawFormat(const PcmLayout& layout) {
    bool big = layout.bigEndian;
    if (layout.encoding == PcmLayout::Encoding::floating)
        return layout.width == 4 ? (big ? GST_AUDIO_FORMAT_F32BE : GST_AUDIO_FORMAT_F32LE)
                                 : (big ? GST_AUDIO_FORMAT_F64BE : GST_AUDIO_FORMAT_F64LE);
    if (layout.lowAligned)
        return layout.width == 4 && layout.bits == 24
                   ? std::optional(big ? GST_AUDIO_FORMAT_S24_32BE : GST_AUDIO_FORMAT_S24_32LE)
                   : std::nullopt;
    switch (layout.width) {
    case 1:
        return layout.unsignedBytes ? GST_AUDIO_FORMAT_U8 : GST_AUDIO_FORMAT_S8;
    case 2:
        return big ? GST_AUDIO_FORMAT_S16BE : GST_AUDIO_FORMAT_S16LE;
    case 3:
        return big ? GST_AUDIO_FORMAT_S24BE : GST_AUDIO_FORMAT_S24LE;
    default:
        return big ? GST_AUDIO_FORMAT_S32BE : GST_AUDIO_FORMAT_S32LE;
    }
}

} // namespace

GstCaps* capsOf(const PcmLayout& layout) {
    int rate = static_cast<int>(std::lround(layout.rate)), channels = static_cast<int>(layout.channels);
    if (layout.encoding == PcmLayout::Encoding::alaw || layout.encoding == PcmLayout::Encoding::ulaw)
        return gst_caps_new_simple(layout.encoding == PcmLayout::Encoding::alaw ? "audio/x-alaw"
                                                                                : "audio/x-mulaw",
                                   "rate", G_TYPE_INT, rate, "channels", G_TYPE_INT, channels, nullptr);
    std::optional<GstAudioFormat> format = rawFormat(layout);
    if (!format)
        return nullptr;
    guint64 mask = layout.channels <= 8 ? gst_audio_channel_get_fallback_mask(channels) : 0;
    return gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, gst_audio_format_to_string(*format),
                               "layout", G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT, rate, "channels",
                               G_TYPE_INT, channels, "channel-mask", GST_TYPE_BITMASK, mask, nullptr);
}

std::optional<guint64> totalFrames(const PcmLayout& layout) {
    if (!layout.dataLength)
        return std::nullopt;
    return *layout.dataLength / layout.frameBytes();
}

GstClockTime timeOfFrame(const PcmLayout& layout, guint64 frame) {
    return static_cast<GstClockTime>(static_cast<double>(frame) * GST_SECOND / layout.rate);
}

// The byte where the frame at time lies.
guint64 byteAtTime(const PcmLayout& layout, gint64 time) {
    auto frame = static_cast<guint64>(std::floor(static_cast<double>(time) * layout.rate / GST_SECOND));
    if (std::optional<guint64> frames = totalFrames(layout))
        frame = std::min(frame, *frames);
    return layout.dataOffset + frame * layout.frameBytes();
}

} // namespace vorl
