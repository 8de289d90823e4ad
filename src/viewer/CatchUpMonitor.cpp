#include "CatchUpMonitor.h"

namespace rure {

CatchUpMonitor::CatchUpMonitor(Scheduler& scheduler, QObject* context, Hooks hooks)
    : scheduler_(scheduler), context_(context), hooks_(std::move(hooks)) {}

void CatchUpMonitor::cameraLoaded(const QString& camera, SteadyTime at) {
    cadence_.followCamera(camera);
    restart(at);
}

void CatchUpMonitor::reloaded(SteadyTime at) {
    restart(at);
}

void CatchUpMonitor::restart(SteadyTime at) {
    loadedAt_ = at;
    lag_.restart();
    lastCheck_.reset();
    check_.reset();
}

void CatchUpMonitor::frameRendered(std::optional<SteadyTime> previous, SteadyTime now) {
    const double gap = previous ? secondsBetween(*previous, now) : 0;
    if (!previous || gap >= checkGap || !lastCheck_ ||
        secondsBetween(*lastCheck_, now) >= checkInterval) {
        scheduleCheck(gap);
    }
    if (previous && !cadence_.isStall(gap)) {
        cadence_.recordInterval(gap);
    }
}

void CatchUpMonitor::scheduleCheck(double gap) {
    if (check_) {
        return;
    }
    // The engine's stream time moves on to a picture at the picture's planned
    // display time, shortly after the picture is drawn: it is read once that
    // time has passed.
    check_ = scheduler_.schedule(checkDelay, context_, [this, gap] { check(gap); });
}

void CatchUpMonitor::check(double gap) {
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
        if (*lag >= catchUpLag) {
            hooks_.catchUp(QStringLiteral("The picture fell %1 seconds behind the camera")
                               .arg(*lag, 0, 'f', 1));
        }
    } else if (cadence_.isStall(gap)) {
        // Without a stream clock to go by: a gap far longer than the camera's pace.
        hooks_.catchUp(
            QStringLiteral("Video frames came back after %1 seconds").arg(gap, 0, 'f', 1));
    }
}

} // namespace rure
