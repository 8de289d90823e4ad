#include "CatchUpMonitor.h"

namespace rure {

CatchUpMonitor::CatchUpMonitor(Scheduler& scheduler, QObject* context, FrameCadence& cadence,
                               Hooks hooks)
    : scheduler_(scheduler), context_(context), cadence_(cadence), hooks_(std::move(hooks)) {}

void CatchUpMonitor::loaded(SteadyTime at) {
    loadedAt_ = at;
    lag_.restart();
    lastCheck_.reset();
    check_.reset();
}

void CatchUpMonitor::frameRendered(std::optional<SteadyTime> previous, SteadyTime now) {
    const double gap = previous ? secondsBetween(*previous, now) : 0;
    const bool stall = previous && cadence_.isStall(gap);
    if (!previous || gap >= checkGap || !lastCheck_ ||
        secondsBetween(*lastCheck_, now) >= checkInterval) {
        scheduleCheck(gap, stall);
    }
    // Every gap within one session teaches the camera's pace: a stall now and
    // then stays out of the medians, and a run of long gaps of one length is
    // a new pace, not a run of stalls.
    if (previous) {
        cadence_.recordInterval(gap);
    }
}

void CatchUpMonitor::scheduleCheck(double gap, bool stall) {
    if (check_) {
        return;
    }
    // The engine's stream time moves on to a picture at the picture's planned
    // display time, shortly after the picture is drawn: it is read once that
    // time has passed.
    check_ = scheduler_.schedule(checkDelay, context_, [this, gap, stall] { check(gap, stall); });
}

void CatchUpMonitor::check(double gap, bool stall) {
    check_.reset();
    if (!hooks_.isPlaying()) {
        return;
    }
    const SteadyTime now = scheduler_.now();
    lastCheck_ = now;
    const std::optional<double> position = hooks_.streamPosition();
    const std::optional<double> lag =
        position ? lag_.record(secondsBetween(loadedAt_, now), *position) : std::nullopt;
    if (lag) {
        // The engine holds a picture until the next one begins: after a pause
        // of the camera the picture shown is the one before it, as late as the
        // pause was long. Whether the picture stays behind is told by the
        // pictures that follow.
        if (*lag >= catchUpLag && gap < FrameCadence::minimumStallSeconds) {
            hooks_.catchUp(QStringLiteral("The picture fell %1 seconds behind the camera")
                               .arg(*lag, 0, 'f', 1));
        }
    } else if (stall) {
        // Without a stream clock to go by: a gap far longer than the camera's pace.
        hooks_.catchUp(
            QStringLiteral("Video frames came back after %1 seconds").arg(gap, 0, 'f', 1));
    }
}

} // namespace rure
