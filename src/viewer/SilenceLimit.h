#pragma once

#include <optional>

namespace rure {

// How long a playing camera may stay silent before the viewer reconnects:
// about ten of the camera's own frame intervals, never less than the floor
// (a 30 frames-a-second camera is noticed after three seconds, not a third of
// one) and never more than the ceiling (a camera of unknown or slow pace).
// A silence that turns out to have been a pause of the camera (the first
// attempt after it brought the picture back at once) doubles the limit, up to
// the ceiling: a camera that lowers its frame rate while nothing moves is
// reconnected once or twice, never over and over. A silence after which the
// camera really was gone (it refused, failed or stayed silent a while) leaves
// the limit as it was, so that the next outage is noticed as soon.
struct SilenceLimit {
    static constexpr double intervals = 10.0;
    static constexpr double floorSeconds = 3.0;
    static constexpr double ceilingSeconds = 10.0;
    // Frames flowing this long since the last silence count as a healthy
    // stream again: the next silence starts from the camera's own limit.
    static constexpr double forgiveAfterSeconds = 60.0;
    // A silence whose picture is back within this long of its being declared,
    // through the first attempt, was a pause.
    static constexpr double pauseEndedWithinSeconds = 3.0;

    // The limit for a camera whose typical gap between frames is
    // `typicalInterval` (unknown until a few frames have come), after
    // `recentSilences` pauses close together.
    static double seconds(std::optional<double> typicalInterval, int recentSilences);
};

} // namespace rure
