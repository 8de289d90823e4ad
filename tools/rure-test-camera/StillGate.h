#pragma once

#include <gst/gst.h>

#include <atomic>
#include <memory>

namespace rure::camera {

// The "still" mode of cameras with a smart codec: while nothing moves they send
// one picture every few seconds instead of every frame. The gate drops the
// other pictures before the encoder and makes each one it lets through a key
// frame, so that a client decodes it whatever it missed. While moving it lets
// every picture through. One gate serves every pipeline of the camera.
class StillGate {
public:
    explicit StillGate(double intervalSeconds);

    void setStill(bool still) { still_.store(still); }
    bool isStill() const { return still_.load(); }

    // Puts the gate in front of `encoder`, for as long as the encoder lives.
    static void attach(const std::shared_ptr<StillGate>& gate, GstElement* encoder);

private:
    struct Passage;
    static GstPadProbeReturn onPicture(GstPad* pad, GstPadProbeInfo* info, gpointer passage);

    const GstClockTime interval_;
    std::atomic<bool> still_{false};
};

} // namespace rure::camera
