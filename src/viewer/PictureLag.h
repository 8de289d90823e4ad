#pragma once

#include <optional>

namespace rure {

// How far the picture on screen has fallen behind the camera, read from the
// stream's own clock. A live stream's time advances as fast as the wall clock,
// so the difference between the two stays put while the picture keeps up.
// When a stream stalls, the engine plays what comes after it on the stream's
// clock, that much later, for as long as the stream plays: the difference
// grows by the stall. A slow camera's long gaps advance both clocks alike and
// add nothing.
class PictureLag {
public:
    // A new load: its pictures are measured afresh.
    void restart();

    // A picture shown `wallSeconds` after the load, at stream time
    // `streamSeconds`. Returns how much further behind the camera it is than
    // the load's most timely picture so far (0 for that picture itself), or
    // nothing when the stream clock has not moved since the last picture.
    //
    // A stream clock that jumps back (a camera that sets its time anew)
    // starts the measuring afresh; one that jumps forward only makes the
    // pictures after it look more timely.
    //
    // A stream's first pictures can share a time (a camera sending a picture
    // every two seconds starts 0, 0, 2, 4...): until the stream clock has
    // moved once, a repeated time drops what was measured and measuring
    // starts again with the next picture.
    std::optional<double> record(double wallSeconds, double streamSeconds);

    // A camera's clock may run a little slower than this machine's; the
    // reference follows at up to this many seconds per second, so that days
    // of such drift never add up to a lag, while a stall (a second at once)
    // still does.
    static constexpr double driftAllowance = 0.001;

private:
    // The smallest wall-minus-stream time of the load's pictures, allowed to
    // rise with drift.
    std::optional<double> reference_;
    std::optional<double> lastWallSeconds_;
    std::optional<double> lastStreamSeconds_;
    bool clockHasMoved_ = false;
};

} // namespace rure
