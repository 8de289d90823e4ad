#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <optional>

namespace rure {

// The pace at which one camera sends its pictures, learnt from the gaps
// between the frames the viewer showed. It tells a stalled stream from a
// camera that is simply slow: doorbell, battery and bandwidth-capped cameras
// send a picture every one to five seconds, and such a gap is their normal
// pace, not a stall.
class FrameCadence {
public:
    // Starts learning again when `camera` is not the camera learnt so far.
    // Reloading the same camera keeps what was learnt: its pace does not change.
    void followCamera(const QString& camera);

    void forget();

    // The gap between two consecutive frames of one load, in seconds.
    void recordInterval(double seconds);

    // The median of the recent gaps, once enough of them are known.
    std::optional<double> typicalInterval() const;

    // Whether frames that come back after `gapSeconds` came back from a stall:
    // at least `minimumStallSeconds`, and several times the camera's own pace.
    // With too few frames to know the pace, no gap counts.
    bool isStall(double gapSeconds) const;

    // Gaps of at least this long can be a stall; shorter ones never are.
    static constexpr double minimumStallSeconds = 2.0;
    // A gap counts as a stall only when it is this many times the usual gap.
    static constexpr double stallFactor = 4.0;
    // Gaps needed before the pace is known.
    static constexpr std::size_t minimumIntervals = 3;

private:
    static constexpr std::size_t remembered = 15;

    QString camera_;
    std::array<double, remembered> intervals_{};
    std::size_t count_ = 0; // gaps recorded, capped at `remembered`
    std::size_t next_ = 0;  // where the next gap goes
};

} // namespace rure
