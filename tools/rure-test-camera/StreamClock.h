#pragma once

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace rure::camera {

// The camera's stream clock as its RTP timestamps show it: it can jump, and it
// can run fast or slow against real time while the packets still leave in real
// time. The payloaders stamp packets from the pipeline clock; the clock shifts
// their RTP timestamps afterwards, so the server's RTP-Info and RTCP sender
// reports, taken from the packets, tell the same time. One clock serves every
// stream of every pipeline of the camera.
class StreamClock {
public:
    explicit StreamClock(double driftPpm) : driftPpm_(driftPpm) {}

    // Moves the stream clock by `seconds`, backwards when negative.
    void jump(double seconds);
    // How far the stream clock is ahead of the pipeline clock at `runningTime`.
    std::int64_t offsetNanoseconds(GstClockTime runningTime) const;

    // Shifts the RTP timestamps of the packets `payloader` sends, for as long
    // as the payloader lives.
    static void attach(const std::shared_ptr<StreamClock>& clock, GstElement* payloader);

private:
    struct Stream;
    static GstPadProbeReturn onOutput(GstPad* pad, GstPadProbeInfo* info, gpointer stream);

    const double driftPpm_;
    std::atomic<std::int64_t> jumpedNs_{0};
};

} // namespace rure::camera
