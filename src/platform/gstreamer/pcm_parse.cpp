// vorlpcmparse: a GStreamer element that reads AIFF, AIFF-C and CAF files into raw audio, loaded
// by WebKit's page processes for <audio>. Ranked above GStreamer's own AIFF parser, which now and
// then sends its first data before its output is linked and so never ends a load, it makes its
// output pad once the file's head is read and only then sends data; it reads CAF, which no
// GStreamer element does. Data comes pushed, as WebKit's sources send it; a seek in time becomes
// a seek in bytes upstream.

#include "pcm_caps.h"
#include "pcm_layout.h"

#include <gst/audio/audio.h>
#include <gst/base/gstadapter.h>
#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <utility>

namespace vorl {
namespace {

// A file whose head is larger than this is refused: its sound is not where a file's is.
constexpr gsize headLimit = 16 * 1024 * 1024;
// Buffers of about 100 ms, so that <audio> hears a seek or a pause at once.
constexpr double bufferSeconds = 0.1;

struct ParseState {
    GstAdapter* adapter = gst_adapter_new();
    std::optional<PcmLayout> layout;
    guint64 adapterOffset = 0; // where in the stream the adapter's first byte lies
    bool segmentPending = true;
    GstSegment segment{}; // the output's, in time
    ~ParseState() { g_object_unref(adapter); }
};

struct VorlPcmParse {
    GstElement element;
    GstPad* sink;
    GstPad* src; // made once the head is read
    ParseState* state;
};

struct VorlPcmParseClass {
    GstElementClass parentClass;
};

G_DEFINE_TYPE(VorlPcmParse, vorl_pcm_parse, GST_TYPE_ELEMENT)

GstStaticPadTemplate sinkTemplate = GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS,
                                                            GST_STATIC_CAPS("audio/x-aiff; audio/x-caf"));
GstStaticPadTemplate srcTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_SOMETIMES, GST_STATIC_CAPS("audio/x-raw; audio/x-alaw; audio/x-mulaw"));

VorlPcmParse* parseOf(GstObject* parent) {
    return reinterpret_cast<VorlPcmParse*>(parent);
}

gboolean onSrcEvent(GstPad* pad, GstObject* parent, GstEvent* event);
gboolean onSrcQuery(GstPad* pad, GstObject* parent, GstQuery* query);

// The output pad, with the stream's start, its caps and its segment.
bool addSrcPad(VorlPcmParse* self) {
    GstCaps* caps = capsOf(*self->state->layout);
    if (!caps)
        return false;
    self->src = gst_pad_new_from_static_template(&srcTemplate, "src");
    gst_pad_set_event_function(self->src, onSrcEvent);
    gst_pad_set_query_function(self->src, onSrcQuery);
    gst_pad_use_fixed_caps(self->src);
    gst_pad_set_active(self->src, TRUE);
    g_autofree char* stream = gst_pad_create_stream_id(self->src, GST_ELEMENT(self), nullptr);
    gst_pad_push_event(self->src, gst_event_new_stream_start(stream));
    gst_pad_push_event(self->src, gst_event_new_caps(caps));
    gst_caps_unref(caps);
    gst_element_add_pad(GST_ELEMENT(self), self->src);
    gst_element_no_more_pads(GST_ELEMENT(self));
    return true;
}

// Sends the whole frames of the sound that have arrived, the bytes before it dropped.
GstFlowReturn pushFrames(VorlPcmParse* self) {
    ParseState& state = *self->state;
    const PcmLayout& layout = *state.layout;
    const guint64 frameBytes = layout.frameBytes();
    const guint64 end = layout.dataLength ? layout.dataOffset + *layout.dataLength : G_MAXUINT64;
    const auto most = static_cast<gsize>(std::max(1.0, std::round(layout.rate * bufferSeconds)) *
                                         static_cast<double>(frameBytes));
    for (;;) {
        gsize available = gst_adapter_available(state.adapter);
        if (state.adapterOffset < layout.dataOffset) {
            auto before =
                static_cast<gsize>(std::min<guint64>(available, layout.dataOffset - state.adapterOffset));
            gst_adapter_flush(state.adapter, before);
            state.adapterOffset += before;
            if (state.adapterOffset < layout.dataOffset)
                return GST_FLOW_OK;
            continue;
        }
        if (state.adapterOffset >= end) {
            gst_pad_push_event(self->src, gst_event_new_eos());
            return GST_FLOW_EOS;
        }
        auto whole = static_cast<gsize>(std::min<guint64>({available, end - state.adapterOffset, most}));
        whole -= whole % frameBytes;
        if (whole == 0)
            return GST_FLOW_OK;
        guint64 frame = (state.adapterOffset - layout.dataOffset) / frameBytes;
        if (std::exchange(state.segmentPending, false)) {
            state.segment.start = state.segment.time = state.segment.position = timeOfFrame(layout, frame);
            gst_pad_push_event(self->src, gst_event_new_segment(&state.segment));
        }
        GstBuffer* buffer = gst_adapter_take_buffer(state.adapter, whole);
        state.adapterOffset += whole;
        GST_BUFFER_PTS(buffer) = timeOfFrame(layout, frame);
        GST_BUFFER_DURATION(buffer) =
            timeOfFrame(layout, frame + whole / frameBytes) - GST_BUFFER_PTS(buffer);
        GST_BUFFER_OFFSET(buffer) = frame;
        if (GstFlowReturn pushed = gst_pad_push(self->src, buffer); pushed != GST_FLOW_OK)
            return pushed;
    }
}

GstFlowReturn onChain(GstPad*, GstObject* parent, GstBuffer* buffer) {
    VorlPcmParse* self = parseOf(parent);
    ParseState& state = *self->state;
    gst_adapter_push(state.adapter, buffer);
    if (!state.layout) {
        gsize available = gst_adapter_available(state.adapter);
        const auto* bytes = static_cast<const char*>(gst_adapter_map(state.adapter, available));
        PcmHead head = readPcmHead(std::string_view(bytes, available));
        gst_adapter_unmap(state.adapter);
        if (std::holds_alternative<NeedMoreBytes>(head) && available <= headLimit)
            return GST_FLOW_OK;
        if (auto* layout = std::get_if<PcmLayout>(&head))
            state.layout = *layout;
        if (!state.layout || !addSrcPad(self)) {
            GST_ELEMENT_ERROR(self, STREAM, DEMUX, ("Lyden i fila kan ikke leses."), (nullptr));
            return GST_FLOW_ERROR;
        }
    }
    return pushFrames(self);
}

gboolean onSinkEvent(GstPad* pad, GstObject* parent, GstEvent* event) {
    VorlPcmParse* self = parseOf(parent);
    ParseState& state = *self->state;
    switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_SEGMENT: {
        // Upstream says where the bytes that come from now on start; the output's segment follows.
        const GstSegment* bytes;
        gst_event_parse_segment(event, &bytes);
        if (bytes->format == GST_FORMAT_BYTES) {
            gst_adapter_clear(state.adapter);
            state.adapterOffset = bytes->start;
            state.segmentPending = true;
        }
        gst_event_unref(event);
        return TRUE;
    }
    case GST_EVENT_CAPS:
    case GST_EVENT_STREAM_START:
        gst_event_unref(event);
        return TRUE;
    case GST_EVENT_FLUSH_STOP:
        gst_adapter_clear(state.adapter);
        break;
    case GST_EVENT_EOS:
        if (!self->src) {
            GST_ELEMENT_ERROR(self, STREAM, DEMUX, ("Lyden i fila kan ikke leses."), (nullptr));
            gst_event_unref(event);
            return FALSE;
        }
        break;
    default:
        break;
    }
    if (!self->src) {
        gst_event_unref(event);
        return TRUE;
    }
    return gst_pad_event_default(pad, parent, event);
}

gboolean onSrcEvent(GstPad* pad, GstObject* parent, GstEvent* event) {
    VorlPcmParse* self = parseOf(parent);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEEK || !self->state->layout)
        return gst_pad_event_default(pad, parent, event);
    double rate;
    GstFormat format;
    GstSeekFlags flags;
    GstSeekType startType, stopType;
    gint64 start, stop;
    gst_event_parse_seek(event, &rate, &format, &flags, &startType, &start, &stopType, &stop);
    guint32 seqnum = gst_event_get_seqnum(event);
    gst_event_unref(event);
    if (format != GST_FORMAT_TIME || rate <= 0 || startType != GST_SEEK_TYPE_SET)
        return FALSE;
    gst_segment_do_seek(&self->state->segment, rate, format, flags, startType, start, stopType, stop,
                        nullptr);
    GstEvent* inBytes = gst_event_new_seek(1.0, GST_FORMAT_BYTES, flags, GST_SEEK_TYPE_SET,
                                           static_cast<gint64>(byteAtTime(*self->state->layout, start)),
                                           GST_SEEK_TYPE_NONE, -1);
    gst_event_set_seqnum(inBytes, seqnum);
    return gst_pad_push_event(self->sink, inBytes);
}

gboolean onSrcQuery(GstPad* pad, GstObject* parent, GstQuery* query) {
    VorlPcmParse* self = parseOf(parent);
    const PcmLayout& layout = *self->state->layout;
    std::optional<guint64> frames = totalFrames(layout);
    if (!frames) {
        gint64 bytes = 0;
        if (gst_pad_peer_query_duration(self->sink, GST_FORMAT_BYTES, &bytes) &&
            static_cast<guint64>(bytes) >= layout.dataOffset)
            frames = (static_cast<guint64>(bytes) - layout.dataOffset) / layout.frameBytes();
    }
    switch (GST_QUERY_TYPE(query)) {
    case GST_QUERY_DURATION: {
        GstFormat format;
        gst_query_parse_duration(query, &format, nullptr);
        if (format != GST_FORMAT_TIME || !frames)
            return FALSE;
        gst_query_set_duration(query, GST_FORMAT_TIME, static_cast<gint64>(timeOfFrame(layout, *frames)));
        return TRUE;
    }
    case GST_QUERY_SEEKING: {
        GstFormat format;
        gst_query_parse_seeking(query, &format, nullptr, nullptr, nullptr);
        if (format != GST_FORMAT_TIME)
            return FALSE;
        GstQuery* upstream = gst_query_new_seeking(GST_FORMAT_BYTES);
        gboolean seekable = FALSE;
        if (gst_pad_peer_query(self->sink, upstream))
            gst_query_parse_seeking(upstream, nullptr, &seekable, nullptr, nullptr);
        gst_query_unref(upstream);
        gst_query_set_seeking(query, GST_FORMAT_TIME, seekable && frames, 0,
                              frames ? static_cast<gint64>(timeOfFrame(layout, *frames)) : -1);
        return TRUE;
    }
    default:
        return gst_pad_query_default(pad, parent, query);
    }
}

GstStateChangeReturn onChangeState(GstElement* element, GstStateChange transition) {
    GstStateChangeReturn result =
        GST_ELEMENT_CLASS(vorl_pcm_parse_parent_class)->change_state(element, transition);
    auto* self = reinterpret_cast<VorlPcmParse*>(element);
    if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) {
        // Ready to read a new file from its start.
        if (self->src)
            gst_element_remove_pad(element, std::exchange(self->src, nullptr));
        self->state->~ParseState();
        new (self->state) ParseState();
        gst_segment_init(&self->state->segment, GST_FORMAT_TIME);
    }
    return result;
}

void vorl_pcm_parse_init(VorlPcmParse* self) {
    self->state = new ParseState();
    gst_segment_init(&self->state->segment, GST_FORMAT_TIME);
    self->src = nullptr;
    self->sink = gst_pad_new_from_static_template(&sinkTemplate, "sink");
    gst_pad_set_chain_function(self->sink, onChain);
    gst_pad_set_event_function(self->sink, onSinkEvent);
    gst_element_add_pad(GST_ELEMENT(self), self->sink);
}

void onFinalize(GObject* object) {
    delete reinterpret_cast<VorlPcmParse*>(object)->state;
    G_OBJECT_CLASS(vorl_pcm_parse_parent_class)->finalize(object);
}

void vorl_pcm_parse_class_init(VorlPcmParseClass* type) {
    G_OBJECT_CLASS(type)->finalize = onFinalize;
    GstElementClass* element = GST_ELEMENT_CLASS(type);
    element->change_state = onChangeState;
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_add_static_pad_template(element, &srcTemplate);
    gst_element_class_set_static_metadata(element, "AIFF, AIFF-C and CAF reader", "Codec/Demuxer/Audio",
                                          "Reads the plain sound of AIFF, AIFF-C and CAF files",
                                          "VORL Vorudi");
}

gboolean registerElements(GstPlugin* plugin) {
    return gst_element_register(plugin, "vorlpcmparse", GST_RANK_PRIMARY + 1, vorl_pcm_parse_get_type());
}

} // namespace
} // namespace vorl

#define PACKAGE "vorl-vorudi"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, vorlpcm,
                  "The application's reader of AIFF, AIFF-C and CAF", vorl::registerElements, "1.0",
                  "Proprietary", "VORL Vorudi", "https://vorl.no")
