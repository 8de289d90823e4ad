#include "StreamClock.h"

#include <gst/rtp/gstrtpbuffer.h>

#include <cmath>

namespace rure::camera {

// What one payloader's shift remembers: its RTP clock rate, and the shift of
// the picture (or audio frame) it is sending, which all its packets share.
struct StreamClock::Stream {
    std::shared_ptr<StreamClock> clock;
    gint clockRate = 0;
    GstClockTime lastPts = GST_CLOCK_TIME_NONE;
    guint32 shift = 0; // in RTP clock units, modulo 2^32

    void follow(GstClockTime pts) {
        if (pts == lastPts || !GST_CLOCK_TIME_IS_VALID(pts)) {
            return;
        }
        lastPts = pts;
        const double units = static_cast<double>(clock->offsetNanoseconds(pts)) * clockRate / 1e9;
        shift = static_cast<guint32>(static_cast<std::int64_t>(std::llround(units)));
    }

    void shiftTimestamp(GstBuffer* buffer) const {
        GstRTPBuffer rtp = GST_RTP_BUFFER_INIT;
        if (gst_rtp_buffer_map(buffer, GST_MAP_READWRITE, &rtp)) {
            gst_rtp_buffer_set_timestamp(&rtp, gst_rtp_buffer_get_timestamp(&rtp) + shift);
            gst_rtp_buffer_unmap(&rtp);
        }
    }
};

void StreamClock::jump(double seconds) {
    jumpedNs_.fetch_add(std::llround(seconds * 1e9));
}

std::int64_t StreamClock::offsetNanoseconds(GstClockTime runningTime) const {
    const double drift = static_cast<double>(runningTime) * driftPpm_ / 1e6;
    return jumpedNs_.load() + std::llround(drift);
}

void StreamClock::attach(const std::shared_ptr<StreamClock>& clock, GstElement* payloader) {
    GstPad* pad = gst_element_get_static_pad(payloader, "src");
    if (!pad) {
        return;
    }
    const auto types =
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST |
                                     GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM);
    gst_pad_add_probe(pad, types, &StreamClock::onOutput, new Stream{clock},
                      [](gpointer stream) { delete static_cast<Stream*>(stream); });
    gst_object_unref(pad);
}

GstPadProbeReturn StreamClock::onOutput(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* stream = static_cast<Stream*>(data);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            gst_structure_get_int(gst_caps_get_structure(caps, 0), "clock-rate",
                                  &stream->clockRate);
        }
        return GST_PAD_PROBE_OK;
    }

    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        stream->follow(GST_BUFFER_PTS(buffer));
        if (stream->shift != 0) {
            buffer = gst_buffer_make_writable(buffer);
            stream->shiftTimestamp(buffer);
            GST_PAD_PROBE_INFO_DATA(info) = buffer;
        }
        return GST_PAD_PROBE_OK;
    }

    GstBufferList* list = GST_PAD_PROBE_INFO_BUFFER_LIST(info);
    if (gst_buffer_list_length(list) == 0) {
        return GST_PAD_PROBE_OK;
    }
    stream->follow(GST_BUFFER_PTS(gst_buffer_list_get(list, 0)));
    if (stream->shift != 0) {
        list = gst_buffer_list_make_writable(list);
        for (guint i = 0; i < gst_buffer_list_length(list); ++i) {
            stream->shiftTimestamp(gst_buffer_list_get_writable(list, i));
        }
        GST_PAD_PROBE_INFO_DATA(info) = list;
    }
    return GST_PAD_PROBE_OK;
}

} // namespace rure::camera
