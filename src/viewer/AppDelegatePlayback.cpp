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
        if (event.reason == 2 || event.reason == 3 || event.reason == 5) {
            break;
        }
        log.error(QStringLiteral("mpv ended the stream: reason=%1, error=%2.")
                      .arg(event.reason)
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
