// Recovery: the frame watchdog, the jittered back-off, the preflight before
// each attempt, and the pauses for sleep, a network path that is down and a
// closing window.
#include "PlaybackSupervisor.h"

#include "common/RureLog.h"
#include "viewer/CameraSelection.h"

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

void PlaybackSupervisor::startPlaybackWatchdog() {
    watchdog_.reset();
    watchdog_ =
        scheduler_.scheduleRepeating(watchdogPeriod, this, [this] { evaluatePlaybackHealth(); });
}

void PlaybackSupervisor::evaluatePlaybackHealth() {
    if (!mayPlaybackRun() || !session_) {
        return;
    }
    const SteadyTime now = scheduler_.now();
    switch (state_) {
    case PlaybackSupervisorState::starting:
        if (secondsBetween(lastCameraLoad_, now) >= firstFrameLimit) {
            schedulePlaybackRecovery(QStringLiteral("no first video frame"), false, false);
        }
        break;
    case PlaybackSupervisorState::playing:
        if (lastFrameRenderedAt_ && secondsBetween(*lastFrameRenderedAt_, now) >= heartbeatLimit) {
            schedulePlaybackRecovery(QStringLiteral("video frame heartbeat stalled"), false, false);
        }
        break;
    case PlaybackSupervisorState::stopped:
    case PlaybackSupervisorState::backingOff:
    case PlaybackSupervisorState::suspended:
        break;
    }
}

void PlaybackSupervisor::schedulePlaybackRecovery(const QString& reason, bool immediate,
                                                  bool forcePlayerRecreation) {
    if (!mayPlaybackRun() || selection_.isEmpty() || retry_) {
        return;
    }
    const int64_t attempt = retryCount_;
    ++retryCount_;
    const int64_t count = retryCount_;
    state_ = PlaybackSupervisorState::backingOff;
    const int64_t generation = selectionGeneration_;

    double delay = immediate ? immediateRecoveryDelay
                             : backOffDelays[static_cast<size_t>(std::min<int64_t>(
                                   attempt, static_cast<int64_t>(backOffDelays.size()) - 1))];
    delay += scheduler_.randomUniform(0.0, maximumJitter);
    const bool recreate = forcePlayerRecreation || count % rebuildEveryNthAttempt == 0;

    RureLog::playback().notice(
        QStringLiteral("Scheduling recovery %1 in %2 seconds; recreate=%3; reason=%4.")
            .arg(count)
            .arg(delay, 0, 'f', 6)
            .arg(logBool(recreate), reason));

    retry_ = scheduler_.schedule(Seconds(delay), this, [this, generation, recreate] {
        retry_.reset();
        if (!mayPlaybackRun() || generation != selectionGeneration_) {
            return;
        }
        if (recreate) {
            cancelLocalNetworkProbe();
            stopPlayerEngine();
        }
        requestLocalNetworkAccessAndStart();
    });
}

void PlaybackSupervisor::requestLocalNetworkAccessAndStart() {
    if (selection_.isEmpty() || !mayPlaybackRun() || preflight_.isRunning()) {
        return;
    }
    const Camera* camera = selection_.selectedCamera();
    const auto target = camera ? localNetworkPreflightTarget(camera->url) : std::nullopt;
    if (!target) {
        startOrReloadPlayback();
        return;
    }
    RureLog::network().debug(
        QStringLiteral("Beginning private local-network preflight for camera index %1.")
            .arg(selection_.selectedIndex()));
    const int64_t generation = selectionGeneration_;
    preflight_.start(*target, [this, generation](bool reachable) {
        finishLocalNetworkProbe(reachable, generation);
    });
}

void PlaybackSupervisor::finishLocalNetworkProbe(bool reloadPlayer, int64_t generation) {
    if (generation != selectionGeneration_ || hold_.closing || hold_.sleeping) {
        return;
    }
    if (!session_) {
        startPlayer();
    } else if (!reloadPlayer) {
        schedulePlaybackRecovery(QStringLiteral("local-network preflight failed"), false, false);
    } else {
        loadCamera(selection_.selectedIndex());
    }
}

void PlaybackSupervisor::cancelLocalNetworkProbe() {
    preflight_.cancel();
}

void PlaybackSupervisor::handleNetworkPath(NetworkPathSignature signature) {
    if (hold_.closing) {
        return;
    }
    const std::optional<NetworkPathSignature> previous = networkPath_;
    networkPath_ = signature;
    hold_.pathIsDown = !signature.isSatisfied;
    RureLog::network().info(
        QStringLiteral("Network path update: satisfied=%1, wifi=%2, ethernet=%3.")
            .arg(logBool(signature.isSatisfied), logBool(signature.usesWiFi),
                 logBool(signature.usesEthernet)));

    if (!signature.isSatisfied) {
        retry_.reset();
        cancelLocalNetworkProbe();
        state_ = PlaybackSupervisorState::suspended;
        return;
    }
    if (previous && *previous != signature) {
        schedulePlaybackRecovery(QStringLiteral("network path became usable or changed"), true,
                                 true);
    }
}

void PlaybackSupervisor::systemWillSleep() {
    if (hold_.closing) {
        return;
    }
    RureLog::lifecycle().notice(
        QStringLiteral("The computer is sleeping; playback recovery is suspended."));
    hold_.sleeping = true;
    state_ = PlaybackSupervisorState::suspended;
    retry_.reset();
    cancelLocalNetworkProbe();
    if (session_) {
        session_->engine().stopPlayback();
    }
}

void PlaybackSupervisor::systemDidWake() {
    if (hold_.closing) {
        return;
    }
    RureLog::lifecycle().notice(
        QStringLiteral("The computer woke; scheduling a fresh camera connection."));
    hold_.sleeping = false;
    lastFrameRenderedAt_.reset();
    schedulePlaybackRecovery(QStringLiteral("system wake"), true, true);
}

void PlaybackSupervisor::viewerWillClose() {
    hold_.closing = true;
    ++selectionGeneration_;
    shutDown();
}

void PlaybackSupervisor::shutDown() {
    watchdog_.reset();
    retry_.reset();
    cancelLocalNetworkProbe();
    stopPlayerEngine();
}

} // namespace rure
