// Recovery: the frame watchdog, the jittered back-off, the preflight before
// each attempt, and the pauses for sleep, a network path that is down and a
// closing window.
#include "PlaybackSupervisor.h"

#include "common/RureLog.h"
#include "common/VisibleName.h"
#include "platform/RouteCheck.h"
#include "viewer/CameraSelection.h"
#include "viewer/RecoverySchedule.h"

#include <algorithm>

namespace rure {

namespace {

// Often enough that a silence is noticed within half a second of its limit.
constexpr Seconds watchdogPeriod{0.5};
constexpr double maximumJitter = 0.35;
constexpr int64_t rebuildEveryNthAttempt = 3;

SteadyTime after(SteadyTime time, double seconds) {
    return time + std::chrono::duration_cast<SteadyTime::duration>(Seconds(seconds));
}

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
        // As long as this camera is known to need, or longer for one never seen.
        if (const double limit = cadence_.firstPictureLimitSeconds();
            secondsBetween(lastCameraLoad_, now) >= limit) {
            cadence_.recordMissingFirstPicture(limit);
            schedulePlaybackRecovery(QStringLiteral("no first video frame"), false, false);
        }
        break;
    case PlaybackSupervisorState::playing:
        if (lastFrameRenderedAt_ &&
            secondsBetween(*lastFrameRenderedAt_, now) >= silenceLimitSeconds()) {
            schedulePlaybackRecovery(QStringLiteral("video frame heartbeat stalled"), false, false);
        }
        break;
    case PlaybackSupervisorState::stopped:
    case PlaybackSupervisorState::backingOff:
    case PlaybackSupervisorState::suspended:
        break;
    }
}

PlaybackStatus PlaybackSupervisor::status() const {
    PlaybackStatus status;
    if (selection_.isEmpty() || hold_.closing || hold_.sleeping) {
        return status;
    }
    if (!selectedCameraIsPlayable()) {
        status.activity = PlaybackActivity::notPlayable;
        return status;
    }
    status.lastPictureAt = lastPictureAt_;
    status.problem = cameraProblem_;
    status.unreachable = cameraUnreachable_;
    if (hold_.pathIsDown) {
        status.activity = PlaybackActivity::waitingForNetwork;
        return status;
    }
    const bool somethingRuns = session_ || retry_ || preflight_.isRunning();
    if (!somethingRuns) {
        // Nothing is pending: say why, never a countdown or "Connecting…"
        // that cannot end.
        status.activity = PlaybackActivity::stopped;
        status.engineFailure = engineFailure_;
        return status;
    }
    const bool recovering = retry_ != nullptr || retryCount_ > 0;
    if (recovering) {
        status.activity = PlaybackActivity::reconnecting;
        status.attempt = std::max<int64_t>(retryCount_, 1);
        if (retry_) {
            status.nextAttemptAt = nextAttemptAt_;
        }
        status.credentialsRefusedAgain = credentialsAreRefused();
    } else if (state_ == PlaybackSupervisorState::playing || lastPictureAt_) {
        // Playing, or loading the camera again to catch up with a picture
        // that stays on screen meanwhile. A picture is old after a few of the
        // camera's own frame intervals, longer than its pauses.
        status.activity = PlaybackActivity::playing;
        status.staleAfterSeconds = cadence_.staleAfterSeconds();
    } else {
        status.activity = PlaybackActivity::connecting;
        if (const Camera* camera = selection_.selectedCamera()) {
            status.cameraName = visibleName(camera->name);
        }
    }
    return status;
}

void PlaybackSupervisor::schedulePlaybackRecovery(const QString& reason, bool immediate,
                                                  bool forcePlayerRecreation) {
    if (!mayPlaybackRun() || !selectedCameraIsPlayable() || retry_ ||
        (!forcePlayerRecreation && fallBackFromSmallStream(reason))) {
        return;
    }
    const SteadyTime now = scheduler_.now();
    if (!outageSince_) {
        outageSince_ = now;
    }
    const int64_t attempt = retryCount_;
    ++retryCount_;
    const int64_t count = retryCount_;
    setState(PlaybackSupervisorState::backingOff);
    const int64_t generation = selectionGeneration_;

    const double slot =
        credentialsAreRefused()
            ? RecoverySchedule::refusedCredentialsDelay
            : RecoverySchedule::slotSeconds(attempt, immediate, secondsBetween(*outageSince_, now));
    const double delay = slot + scheduler_.randomUniform(0.0, maximumJitter);
    const bool recreate = forcePlayerRecreation || count % rebuildEveryNthAttempt == 0;

    RureLog::playback().notice(
        QStringLiteral("Scheduling recovery %1 in %2 seconds; recreate=%3; reason=%4.")
            .arg(count)
            .arg(delay, 0, 'f', 6)
            .arg(logBool(recreate), reason));

    nextAttemptAt_ = after(now, delay);
    retry_ = scheduler_.schedule(Seconds(delay), this, [this, generation, recreate] {
        startRecoveryAttempt(generation, recreate);
    });
    watchForCameraReturn(generation, recreate, count, delay);
    statusReporter_.refresh();
}

void PlaybackSupervisor::watchForCameraReturn(int64_t generation, bool recreate, int64_t count,
                                              double slot) {
    // A camera that refused the last connection is knocked on through its
    // slot: once it answers again, the attempt need not wait for the slot's
    // end. A camera that answered a knock and then failed the attempt gets
    // one whole slot before it is watched again, so that a port that accepts
    // and then refuses is never tried over and over.
    const bool cutShortBefore = lastSlotWasCutShort_;
    lastSlotWasCutShort_ = false;
    const Camera* camera = selection_.selectedCamera();
    const auto target = camera ? localNetworkPreflightTarget(camera->url) : std::nullopt;
    const std::optional<SteadyTime> outageSince = outageSince_;
    const double outage = outageSince ? secondsBetween(*outageSince, scheduler_.now()) : 0;
    // Away: the preflight found no camera, or the engine's connection was
    // refused or not answered.
    const bool cameraIsAway = cameraUnreachable_ ||
                              cameraProblem_ == CameraProblem::connectionRefused ||
                              cameraProblem_ == CameraProblem::noAnswer;
    // A name that was not found is looked up again by the next attempt, not
    // by knocks in between: each would be one more query to the name server.
    if (!cameraIsAway || cutShortBefore || !target || preflight_.nameWasNotFound() ||
        !RecoverySchedule::knockPeriod(outage, slot)) {
        return;
    }
    returnWatch_.start(
        *target,
        [this, outageSince, slot]() -> std::optional<Seconds> {
            const SteadyTime now = scheduler_.now();
            const std::optional<double> period = RecoverySchedule::knockPeriod(
                outageSince ? secondsBetween(*outageSince, now) : 0, slot);
            // A knock that would come no sooner than the attempt is not made.
            if (!period || !nextAttemptAt_ || secondsBetween(now, *nextAttemptAt_) <= *period) {
                return std::nullopt;
            }
            return Seconds(*period);
        },
        [this, generation, recreate, count] {
            if (!retry_ || generation != selectionGeneration_ || !mayPlaybackRun()) {
                return;
            }
            RureLog::playback().notice(
                QStringLiteral("The camera answers again; recovery %1 starts now.").arg(count));
            lastSlotWasCutShort_ = true;
            startRecoveryAttempt(generation, recreate);
        });
}

void PlaybackSupervisor::startRecoveryAttempt(int64_t generation, bool recreate) {
    cancelPendingRecovery();
    if (!mayPlaybackRun() || generation != selectionGeneration_) {
        return;
    }
    if (recreate) {
        cancelLocalNetworkProbe();
        stopPlayerEngine();
    }
    requestLocalNetworkAccessAndStart();
}

void PlaybackSupervisor::cancelPendingRecovery() {
    retry_.reset();
    nextAttemptAt_.reset();
    returnWatch_.stop();
}

void PlaybackSupervisor::requestLocalNetworkAccessAndStart() {
    if (selection_.isEmpty() || !mayPlaybackRun() || preflight_.isRunning()) {
        return;
    }
    // Not even its host is asked about: nothing will be played there.
    if (!selectedCameraIsPlayable()) {
        refuseUnplayableCamera();
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
    statusReporter_.refresh();
}

void PlaybackSupervisor::finishLocalNetworkProbe(bool reloadPlayer, int64_t generation) {
    if (generation != selectionGeneration_ || hold_.closing || hold_.sleeping) {
        return;
    }
    noteCameraReachable(reloadPlayer);
    if (!session_) {
        startPlayer();
    } else if (!reloadPlayer) {
        schedulePlaybackRecovery(QStringLiteral("local-network preflight failed"), false, false);
    } else {
        loadCamera(selection_.selectedIndex());
    }
}

void PlaybackSupervisor::noteCameraProblem(CameraProblem problem) {
    cameraProblem_ = problem;
    credentialRefusals_ =
        problem == CameraProblem::credentialsRefused ? credentialRefusals_ + 1 : 0;
    cameraUnreachable_ = false;
    statusReporter_.refresh();
}

bool PlaybackSupervisor::statusOffersCameraEditor() const {
    const PlaybackStatus shown = status();
    return shown.activity == PlaybackActivity::notPlayable ||
           (shown.credentialsRefusedAgain && shown.nextAttemptAt);
}

bool PlaybackSupervisor::credentialsAreRefused() const {
    return cameraProblem_ == CameraProblem::credentialsRefused &&
           credentialRefusals_ >= RecoverySchedule::credentialRefusalsBeforeSlowing;
}

void PlaybackSupervisor::noteCameraReachable(bool reachable) {
    // The status line follows with what playback does next.
    cameraUnreachable_ = !reachable;
    if (!reachable) {
        // Whatever the camera said before, it does not answer now.
        cameraProblem_.reset();
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
    const bool wasDown = hold_.pathIsDown;
    networkPath_ = signature;
    hold_.pathIsDown = !pathReachesCamera();
    // Route changes report the same path again; only a change is worth a line.
    if (previous != signature || wasDown != hold_.pathIsDown) {
        RureLog::network().info(
            QStringLiteral("Network path update: satisfied=%1, wifi=%2, ethernet=%3.")
                .arg(logBool(signature.isSatisfied), logBool(signature.usesWiFi),
                     logBool(signature.usesEthernet)));
        if (!signature.isSatisfied && !hold_.pathIsDown) {
            RureLog::network().info(
                QStringLiteral("No default route, but the camera's address has a route."));
        }
    }

    if (hold_.pathIsDown) {
        cancelPendingRecovery();
        cancelLocalNetworkProbe();
        setState(PlaybackSupervisorState::suspended);
        return;
    }
    if ((previous && *previous != signature) || wasDown) {
        streams_.giveSmallStreamAnotherChance();
        schedulePlaybackRecovery(QStringLiteral("network path became usable or changed"), true,
                                 true);
    }
}

bool PlaybackSupervisor::pathReachesCamera() const {
    if (!networkPath_ || networkPath_->isSatisfied) {
        return true;
    }
    const Camera* camera = selection_.selectedCamera();
    const auto target = camera ? localNetworkPreflightTarget(camera->url) : std::nullopt;
    if (!target) {
        return false;
    }
    return client_.routeReaches ? client_.routeReaches(target->host) : hasRouteTo(target->host);
}

void PlaybackSupervisor::systemWillSleep() {
    if (hold_.closing) {
        return;
    }
    RureLog::lifecycle().notice(
        QStringLiteral("The computer is sleeping; playback recovery is suspended."));
    hold_.sleeping = true;
    setState(PlaybackSupervisorState::suspended);
    cancelPendingRecovery();
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
    streams_.giveSmallStreamAnotherChance();
    schedulePlaybackRecovery(QStringLiteral("system wake"), true, true);
}

void PlaybackSupervisor::viewerWillClose() {
    hold_.closing = true;
    ++selectionGeneration_;
    shutDown();
}

void PlaybackSupervisor::shutDown() {
    statusReporter_.stop();
    watchdog_.reset();
    cancelPendingRecovery();
    cancelLocalNetworkProbe();
    stopPlayerEngine();
}

} // namespace rure
