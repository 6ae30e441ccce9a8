#pragma once

#include "pcm_layout.h"

#include <gst/gst.h>

#include <optional>

// What the application's GStreamer element makes of a layout: its output's caps, and where in time
// its frames lie.

namespace vorl {

// The output's caps: raw audio with the speakers of the usual layouts for up to eight channels
// (more are unpositioned), or A-law or µ-law; nullptr where GStreamer has no raw format for the
// samples (bits low in a word, other than 24 in 32).
GstCaps* capsOf(const PcmLayout& layout);

// How many frames the sound holds, where its length is known.
std::optional<guint64> totalFrames(const PcmLayout& layout);

GstClockTime timeOfFrame(const PcmLayout& layout, guint64 frame);

// The byte where the frame at time lies, the sound's end at most.
guint64 byteAtTime(const PcmLayout& layout, gint64 time);

} // namespace vorl
