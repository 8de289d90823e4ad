// Playback supervision: engine events, the frame heartbeat, the watchdog and
// the back-off recovery.
#include "AppDelegate.h"

#include "common/RureLog.h"

#include <algorithm>
#include <array>

namespace rure {

namespace {

constexpr Seconds watchdogPeriod{2.0};
constexpr double firstFrameLimit = 8.0;
constexpr double heartbeatLimit = 10.0;
constexpr double immediateRecoveryDelay = 0.5;
constexpr std::array<double, 7> backOffDelays{0.5, 1.0, 2.0, 4.0, 8.0, 15.0, 30.0};
constexpr double maximumJitter = 0.35;
constexpr int64_t rebuildEveryNthAttempt = 3;
// A picture this many seconds behind the camera is loaded again to get back to
// the live picture.
constexpr double catchUpLag = 1.0;
// The stream clock is read after any gap between frames this long...
constexpr double lagCheckGap = 0.5;
// ...and at least this often while frames flow.
constexpr double lagCheckInterval = 5.0;
// Past the engine's planned display time of a picture drawn at once (it hands
// pictures over up to 50 ms ahead).
constexpr Seconds lagCheckDelay{0.1};

} // namespace

void AppDelegate::handlePlaybackEngineEvent(PlaybackEngineEvent event, int64_t generation) {
    if (generation != playerGeneration || isClosingViewer) {
        return;
    }
    const RureLog log = RureLog::playback();
    using Kind = PlaybackEngineEvent::Kind;
    switch (event.kind) {
    case Kind::startFile:
        log.debug(QStringLiteral("mpv began opening the selected stream."));
        playbackState = PlaybackSupervisorState::starting;
        break;
    case Kind::fileLoaded:
        log.debug(QStringLiteral("mpv loaded stream headers and began decoding."));
        break;
    case Kind::playbackRestart:
        log.debug(QStringLiteral("mpv restarted playback; waiting for a rendered frame."));
        break;
    case Kind::endFile:
        // Stop, quit and redirect: caused by a new load, a stop command or a redirect.
        if (endedByRequest(event.reason)) {
            break;
        }
        log.error(QStringLiteral("mpv ended the stream: reason=%1, error=%2.")
                      .arg(static_cast<int>(event.reason))
                      .arg(event.error));
        schedulePlaybackRecovery(QStringLiteral("mpv ended the stream"), false, false);
        break;
    case Kind::shutdown:
        log.error(QStringLiteral("mpv shut down unexpectedly."));
        schedulePlaybackRecovery(QStringLiteral("mpv shutdown"), false, true);
        break;
    case Kind::queueOverflow:
        log.error(QStringLiteral("The mpv event queue overflowed."));
        schedulePlaybackRecovery(QStringLiteral("mpv event queue overflow"), false, true);
        break;
    }
}

void AppDelegate::recordRenderedFrame(int64_t generation) {
    if (generation != playerGeneration || isClosingViewer || systemIsSleeping) {
        return;
    }
    const PlaybackSupervisorState previous = playbackState;
    const std::optional<SteadyTime> previousFrame = lastFrameRenderedAt;
    lastFrameRenderedAt = services_.scheduler->now();
    playbackState = PlaybackSupervisorState::playing;
    playbackRetryCount = 0;
    cancelPlaybackRetry();
    if (previous != PlaybackSupervisorState::playing) {
        RureLog::playback().notice(
            QStringLiteral("Live video frames resumed for player generation %1.").arg(generation));
    }
    if (mpv) {
        updateWindowAspectRatio(*mpv);
    }
    // The engine shows frames on the stream's own clock: frames that come back
    // after a stall are shown that much later, for as long as the stream plays,
    // so the stream is loaded again to get back to the live picture.
    const double gap = previousFrame ? secondsBetween(*previousFrame, *lastFrameRenderedAt) : 0;
    if (!previousFrame || gap >= lagCheckGap || !lastPictureLagCheck ||
        secondsBetween(*lastPictureLagCheck, *lastFrameRenderedAt) >= lagCheckInterval) {
        schedulePictureLagCheck(gap);
    }
    if (previousFrame && !frameCadence.isStall(gap)) {
        frameCadence.recordInterval(gap);
    }
}

void AppDelegate::schedulePictureLagCheck(double gap) {
    if (pictureLagCheck) {
        return;
    }
    // The engine's stream time moves on to a picture at the picture's planned
    // display time, shortly after the picture is drawn: it is read once that
    // time has passed.
    pictureLagCheck =
        services_.scheduler->schedule(lagCheckDelay, this, [this, gap] { checkPictureLag(gap); });
}

void AppDelegate::checkPictureLag(double gap) {
    pictureLagCheck.reset();
    if (!mpv || playbackState != PlaybackSupervisorState::playing || isClosingViewer) {
        return;
    }
    const SteadyTime now = services_.scheduler->now();
    lastPictureLagCheck = now;
    const std::optional<double> position = mpv->streamPosition();
    const std::optional<double> lag =
        position ? pictureLag.record(secondsBetween(lastCameraLoad, now), *position) : std::nullopt;
    if (lag) {
        if (*lag >= catchUpLag) {
            catchUpWithLiveStream(QStringLiteral("The picture fell %1 seconds behind the camera")
                                      .arg(*lag, 0, 'f', 1));
        }
    } else if (frameCadence.isStall(gap)) {
        // Without a stream clock to go by: a gap far longer than the camera's pace.
        catchUpWithLiveStream(
            QStringLiteral("Video frames came back after %1 seconds").arg(gap, 0, 'f', 1));
    }
}

void AppDelegate::catchUpWithLiveStream(const QString& why) {
    const qsizetype index = selectedCameraIndex();
    // A path that is down or changing reconnects by itself once it is usable.
    if (!mpv || !networkPathIsSatisfied || index < 0 || index >= cameras.size()) {
        return;
    }
    if (!catchUpPacing.allow(services_.scheduler->now())) {
        RureLog::playback().debug(
            QStringLiteral("%1; the next catch-up may run %2 seconds after the last one.")
                .arg(why)
                .arg(catchUpPacing.spacingSeconds(), 0, 'f', 0));
        return;
    }
    RureLog::playback().notice(
        QStringLiteral("%1; loading the camera again to return to the live picture.").arg(why));
    // Not loadCamera: the camera, its picture geometry and any focused area stay.
    lastCameraLoad = services_.scheduler->now();
    restartPictureLag();
    lastFrameRenderedAt.reset();
    playbackState = PlaybackSupervisorState::starting;
    const int status = mpv->loadFile(cameras[index].url);
    if (status < 0) {
        RureLog::playback().error(
            QStringLiteral("mpv rejected the load command with error %1.").arg(status));
        schedulePlaybackRecovery(QStringLiteral("mpv rejected the load command"), false, false);
    }
}

void AppDelegate::restartPictureLag() {
    pictureLag.restart();
    lastPictureLagCheck.reset();
    pictureLagCheck.reset();
}

void AppDelegate::startPlaybackWatchdog() {
    playbackWatchdog.reset();
    QPointer<AppDelegate> weakSelf(this);
    playbackWatchdog = services_.scheduler->scheduleRepeating(watchdogPeriod, this, [weakSelf] {
        if (weakSelf) {
            weakSelf->evaluatePlaybackHealth();
        }
    });
}

void AppDelegate::evaluatePlaybackHealth() {
    if (isClosingViewer || systemIsSleeping || !networkPathIsSatisfied || !mpv) {
        return;
    }
    const SteadyTime now = services_.scheduler->now();
    switch (playbackState) {
    case PlaybackSupervisorState::starting:
        if (secondsBetween(lastCameraLoad, now) >= firstFrameLimit) {
            schedulePlaybackRecovery(QStringLiteral("no first video frame"), false, false);
        }
        break;
    case PlaybackSupervisorState::playing:
        if (lastFrameRenderedAt && secondsBetween(*lastFrameRenderedAt, now) >= heartbeatLimit) {
            schedulePlaybackRecovery(QStringLiteral("video frame heartbeat stalled"), false, false);
        }
        break;
    case PlaybackSupervisorState::stopped:
    case PlaybackSupervisorState::backingOff:
    case PlaybackSupervisorState::suspended:
        break;
    }
}

void AppDelegate::schedulePlaybackRecovery(const QString& reason, bool immediate,
                                           bool forcePlayerRecreation) {
    if (isClosingViewer || systemIsSleeping || !networkPathIsSatisfied || cameras.isEmpty() ||
        playbackRetry) {
        return;
    }
    const int64_t attempt = playbackRetryCount;
    ++playbackRetryCount;
    const int64_t count = playbackRetryCount;
    playbackState = PlaybackSupervisorState::backingOff;
    const int64_t generation = playbackSelectionGeneration;

    double delay = immediate ? immediateRecoveryDelay
                             : backOffDelays[static_cast<size_t>(std::min<int64_t>(
                                   attempt, static_cast<int64_t>(backOffDelays.size()) - 1))];
    delay += services_.scheduler->randomUniform(0.0, maximumJitter);
    const bool recreate = forcePlayerRecreation || count % rebuildEveryNthAttempt == 0;

    RureLog::playback().notice(
        QStringLiteral("Scheduling recovery %1 in %2 seconds; recreate=%3; reason=%4.")
            .arg(count)
            .arg(delay, 0, 'f', 6)
            .arg(logBool(recreate), reason));

    QPointer<AppDelegate> weakSelf(this);
    playbackRetry =
        services_.scheduler->schedule(Seconds(delay), this, [weakSelf, generation, recreate] {
            if (!weakSelf) {
                return;
            }
            AppDelegate& self = *weakSelf;
            self.playbackRetry.reset();
            if (self.isClosingViewer || self.systemIsSleeping || !self.networkPathIsSatisfied ||
                generation != self.playbackSelectionGeneration) {
                return;
            }
            if (recreate) {
                self.cancelLocalNetworkProbe();
                self.stopPlayerEngine();
            }
            self.requestLocalNetworkAccessAndStart();
        });
}

} // namespace rure
