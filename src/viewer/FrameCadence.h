#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <optional>

namespace rure {

// The pace at which one camera sends its pictures, learnt from the gaps
// between the pictures of one load (one stream session) and from how long its
// loads took to show a first picture. It tells a stalled stream from a camera
// that is simply slow or pausing: doorbell, battery and bandwidth-capped
// cameras send a picture every one to five seconds, and "smart" encoders send
// one picture every five to eight seconds while nothing moves. Such gaps,
// within a session that goes on, are the camera's pace, not a stall.
class FrameCadence {
public:
    // Starts learning again when `camera` is not the camera learnt so far.
    // Reloading the same camera keeps what was learnt: its pace does not change.
    void followCamera(const QString& camera);

    void forget();

    // The gap between two consecutive pictures of one load, in seconds. A gap
    // far longer than the camera's usual one is a pause of the camera: the
    // session went on through it.
    void recordInterval(double seconds);

    // A load showed its first picture this many seconds after it began.
    void recordFirstPicture(double seconds);
    // A load showed no picture in the `waitedSeconds` it was given: the next
    // is given longer, so that a camera slower to start than it was known to
    // be is not cut short for ever.
    void recordMissingFirstPicture(double waitedSeconds) { recordFirstPicture(waitedSeconds); }

    // The median of the recent ordinary gaps, once enough of them are known
    // (until then every gap counts as ordinary).
    std::optional<double> typicalInterval() const;

    // The camera's pace while it pauses: the median of its recent pauses
    // within a session; nothing before its first pause.
    std::optional<double> pausePace() const;

    // Whether pictures that come back after `gapSeconds` came back from a
    // stall: at least `minimumStallSeconds`, several times the camera's usual
    // pace, and clearly longer than the pauses it is known to make. With too
    // few pictures to know the pace, no gap counts.
    bool isStall(double gapSeconds) const;

    // How long the camera may stay silent, with its session open, before it
    // is loaded again: ten usual gaps of a fast camera, two of a slow one,
    // twice its pauses, and
    // never less than `silenceFloorSeconds` (a camera that may be pausing is
    // given that long; one whose connection closes is noticed at once
    // anyway), nor more than `silenceCeilingSeconds`.
    double silenceLimitSeconds() const;

    // When the picture on screen counts as old for the status line: a few of
    // the camera's usual gaps, longer than its pauses, and at least
    // `minimumStaleSeconds`; never beyond the silence limit.
    double staleAfterSeconds() const;

    // How long a load may take to show its first picture: longer than the
    // camera's earlier loads took and than its pauses; a camera never seen
    // before is given `unknownFirstPictureSeconds`.
    double firstPictureLimitSeconds() const;

    // Gaps of at least this long can be a stall or a pause; shorter ones never are.
    static constexpr double minimumStallSeconds = 2.0;
    // A gap counts as a stall or pause only when it is this many times the usual gap.
    static constexpr double stallFactor = 4.0;
    // Gaps needed before the pace is known.
    static constexpr std::size_t minimumIntervals = 3;

    static constexpr double silenceIntervals = 10.0;
    static constexpr double silencePauses = 2.0;
    static constexpr double silenceFloorSeconds = 10.0;
    static constexpr double silenceCeilingSeconds = 30.0;

    static constexpr double staleIntervals = 3.0;
    static constexpr double stalePauses = 1.5;
    static constexpr double minimumStaleSeconds = 2.0;

    static constexpr double minimumFirstPictureSeconds = 8.0;
    static constexpr double unknownFirstPictureSeconds = 20.0;
    static constexpr double maximumFirstPictureSeconds = 60.0;

private:
    template <std::size_t N> struct Recent {
        std::array<double, N> values{};
        std::size_t count = 0; // capped at N
        std::size_t next = 0;

        void add(double value);
        std::optional<double> median() const;
        std::optional<double> largest() const;
    };

    QString camera_;
    Recent<15> intervals_;
    Recent<5> pauses_;
    Recent<5> firstPictures_;
};

} // namespace rure
