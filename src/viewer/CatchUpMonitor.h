#pragma once

#include "common/Scheduler.h"
#include "viewer/CatchUpPacing.h"
#include "viewer/FrameCadence.h"
#include "viewer/PictureLag.h"

#include <QString>

#include <functional>
#include <optional>

class QObject;

namespace rure {

// Keeps the picture at the camera's live edge. The engine shows frames on the
// stream's own clock: frames that come back after a stall are shown that much
// later, for as long as the stream plays. How far the picture has fallen
// behind is read from the stream's clock shortly after the first frame of a
// load, after a gap between frames, and every few seconds while frames flow;
// a picture a second behind asks for the camera to be loaded again. Without
// the stream's clock, a gap far longer than the camera's own pace counts
// instead. Catch-ups that keep coming are spaced out (CatchUpPacing).
class CatchUpMonitor {
public:
    struct Hooks {
        // The stream time of the picture on screen; nothing when unknown.
        std::function<std::optional<double>()> streamPosition;
        // Whether frames are flowing (the check is dropped otherwise).
        std::function<bool()> isPlaying;
        // Loads the camera again; `why` starts the log line.
        std::function<void(const QString& why)> catchUp;
    };

    // `cadence` is the camera's pace, which this monitor teaches: it outlives
    // the monitor.
    CatchUpMonitor(Scheduler& scheduler, QObject* context, FrameCadence& cadence, Hooks hooks);

    // A load began at `at` (a camera chosen, a recovery, a catch-up): its
    // pictures are measured afresh.
    void loaded(SteadyTime at);
    // A new frame was shown at `now`; `previous` is the load's frame before it.
    void frameRendered(std::optional<SteadyTime> previous, SteadyTime now);
    // Whether a catch-up may run now (it is counted when it may), and the wait
    // after the last one before the next may run.
    bool mayCatchUp(SteadyTime now) { return pacing_.allow(now); }
    double spacingSeconds() const { return pacing_.spacingSeconds(); }
    // Drops a pending check.
    void cancel() { check_.reset(); }
    bool hasPendingCheck() const { return check_ != nullptr; }

    // A picture this many seconds behind the camera is loaded again.
    static constexpr double catchUpLag = 1.0;
    // The stream clock is read after any gap between frames this long...
    static constexpr double checkGap = 0.5;
    // ...and at least this often while frames flow.
    static constexpr double checkInterval = 5.0;
    // Past the engine's planned display time of a picture drawn at once (it
    // hands pictures over up to 50 ms ahead).
    static constexpr Seconds checkDelay{0.1};

private:
    // `stall`: the gap was a stall by the camera's pace as known before it.
    void scheduleCheck(double gap, bool stall);
    void check(double gap, bool stall);

    Scheduler& scheduler_;
    QObject* context_;
    FrameCadence& cadence_;
    Hooks hooks_;
    PictureLag lag_;
    CatchUpPacing pacing_;
    SteadyTime loadedAt_ = distantPast();
    std::optional<SteadyTime> lastCheck_;
    TaskHandle check_;
};

} // namespace rure
