#pragma once

#include <optional>

namespace rure {

// How long a playing camera may stay silent before the viewer reconnects:
// about ten of the camera's own frame intervals, never less than the floor
// (a 30 frames-a-second camera is noticed after three seconds, not a third of
// one) and never more than the ceiling (a camera of unknown or slow pace).
// A camera that was silent again soon after the last reconnection has its
// limit doubled each time, up to the ceiling: a camera that lowers its frame
// rate while nothing moves is reconnected once or twice, never over and over.
struct SilenceLimit {
    static constexpr double intervals = 10.0;
    static constexpr double floorSeconds = 3.0;
    static constexpr double ceilingSeconds = 10.0;
    // Frames flowing this long since the last silence count as a healthy
    // stream again: the next silence starts from the camera's own limit.
    static constexpr double forgiveAfterSeconds = 60.0;

    // The limit for a camera whose typical gap between frames is
    // `typicalInterval` (unknown until a few frames have come), after
    // `recentSilences` silences close together.
    static double seconds(std::optional<double> typicalInterval, int recentSilences);
};

} // namespace rure
