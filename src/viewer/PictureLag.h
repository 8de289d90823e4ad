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
    // the load's most timely picture so far (0 for that picture itself).
    // A stream clock that stood still since the last picture says nothing:
    // a stream's first pictures can share a time (a camera sending one picture
    // every two seconds starts 0, 0, 2, 4...), so what was measured before is
    // dropped and measuring starts again with the next picture.
    std::optional<double> record(double wallSeconds, double streamSeconds);

private:
    // The smallest wall-minus-stream time of the load's pictures.
    std::optional<double> bestOffset_;
    std::optional<double> lastStreamSeconds_;
};

} // namespace rure
