#include "StillGate.h"

#include <gst/video/video.h>

#include <cmath>

namespace rure::camera {

namespace {

// Pictures are timed in whole nanoseconds: one due exactly at the end of the
// interval must not wait for the next.
constexpr GstClockTime tolerance = GST_MSECOND;

} // namespace

// What one encoder's gate remembers: the picture it last let through.
struct StillGate::Passage {
    std::shared_ptr<StillGate> gate;
    GstClockTime lastPassed = GST_CLOCK_TIME_NONE;
};

StillGate::StillGate(double intervalSeconds)
    : interval_(static_cast<GstClockTime>(std::llround(intervalSeconds * GST_SECOND))) {}

void StillGate::attach(const std::shared_ptr<StillGate>& gate, GstElement* encoder) {
    GstPad* pad = gst_element_get_static_pad(encoder, "sink");
    if (!pad) {
        return;
    }
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &StillGate::onPicture,
                      new Passage{gate, GST_CLOCK_TIME_NONE},
                      [](gpointer passage) { delete static_cast<Passage*>(passage); });
    gst_object_unref(pad);
}

GstPadProbeReturn StillGate::onPicture(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* passage = static_cast<Passage*>(data);
    const GstClockTime pts = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
    if (!passage->gate->isStill()) {
        passage->lastPassed = pts;
        return GST_PAD_PROBE_OK;
    }
    // A client that joins a shared stream restarts the pipeline's clock (its
    // PLAY seeks), so a time before the last picture's is a new start: that
    // picture goes, as a camera sends a new client a picture at once, and the
    // interval counts from it. Waiting for the old time instead held every
    // client's pictures back for as long as the stream had run.
    if (GST_CLOCK_TIME_IS_VALID(pts) && GST_CLOCK_TIME_IS_VALID(passage->lastPassed) &&
        pts >= passage->lastPassed &&
        pts + tolerance < passage->lastPassed + passage->gate->interval_) {
        return GST_PAD_PROBE_DROP;
    }
    passage->lastPassed = pts;
    // The encoder takes the request before this picture reaches it.
    if (GstElement* encoder = GST_PAD_PARENT(pad)) {
        GstPad* output = gst_element_get_static_pad(encoder, "src");
        if (output) {
            gst_pad_send_event(
                output, gst_video_event_new_upstream_force_key_unit(GST_CLOCK_TIME_NONE, TRUE, 0));
            gst_object_unref(output);
        }
    }
    return GST_PAD_PROBE_OK;
}

} // namespace rure::camera
