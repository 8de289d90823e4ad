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
    engine_.watchdog.reset();
    engine_.watchdog =
        scheduler_.scheduleRepeating(watchdogPeriod, this, [this] { evaluatePlaybackHealth(); });
}

void PlaybackSupervisor::evaluatePlaybackHealth() {
    if (!mayPlaybackRun() || !engine_.session) {
        return;
    }
    const SteadyTime now = scheduler_.now();
    switch (state_) {
    case PlaybackSupervisorState::starting:
        // As long as this camera is known to need, or longer for one never seen.
        if (const double limit = cadence_.firstPictureLimitSeconds();
            secondsBetween(load_.startedAt, now) >= limit) {
            cadence_.recordMissingFirstPicture(limit);
            schedulePlaybackRecovery(QStringLiteral("no first video frame"), false, false);
        }
        break;
    case PlaybackSupervisorState::playing:
        if (load_.lastFrameAt && secondsBetween(*load_.lastFrameAt, now) >= silenceLimitSeconds()) {
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
    if (!mayPlaybackRun() || !selectedCameraIsPlayable() || recovery_.attempt ||
        (!forcePlayerRecreation && fallBackFromSmallStream(reason))) {
        return;
    }
    const SteadyTime now = scheduler_.now();
    if (!recovery_.outageSince) {
        recovery_.outageSince = now;
    }
    const int64_t attempt = recovery_.count;
    ++recovery_.count;
    const int64_t count = recovery_.count;
    setState(PlaybackSupervisorState::backingOff);
    const int64_t generation = selectionGeneration_;

    const double slot = credentialsAreRefused()
                            ? RecoverySchedule::refusedCredentialsDelay
                            : RecoverySchedule::slotSeconds(
                                  attempt, immediate, secondsBetween(*recovery_.outageSince, now));
    const double delay = slot + scheduler_.randomUniform(0.0, maximumJitter);
    const bool recreate = forcePlayerRecreation || count % rebuildEveryNthAttempt == 0;

    RureLog::playback().notice(
        QStringLiteral("Scheduling recovery %1 in %2 seconds; recreate=%3; reason=%4.")
            .arg(count)
            .arg(delay, 0, 'f', 6)
            .arg(logBool(recreate), reason));

    recovery_.nextAttemptAt = after(now, delay);
    recovery_.attempt = scheduler_.schedule(Seconds(delay), this, [this, generation, recreate] {
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
    const bool cutShortBefore = recovery_.lastSlotWasCutShort;
    recovery_.lastSlotWasCutShort = false;
    const Camera* camera = selection_.selectedCamera();
    const auto target = camera ? localNetworkPreflightTarget(camera->url) : std::nullopt;
    const std::optional<SteadyTime> outageSince = recovery_.outageSince;
    const double outage = outageSince ? secondsBetween(*outageSince, scheduler_.now()) : 0;
    // Away: the preflight found no camera, or the engine's connection was
    // refused or not answered.
    const bool cameraIsAway = report_.unreachable ||
                              report_.problem == CameraProblem::connectionRefused ||
                              report_.problem == CameraProblem::noAnswer;
    // A name that was not found is looked up again by the next attempt, not
    // by knocks in between: each would be one more query to the name server.
    if (!cameraIsAway || cutShortBefore || !target || recovery_.preflight.nameWasNotFound() ||
        !RecoverySchedule::knockPeriod(outage, slot)) {
        return;
    }
    recovery_.returnWatch.start(
        *target,
        [this, outageSince, slot]() -> std::optional<Seconds> {
            const SteadyTime now = scheduler_.now();
            const std::optional<double> period = RecoverySchedule::knockPeriod(
                outageSince ? secondsBetween(*outageSince, now) : 0, slot);
            // A knock that would come no sooner than the attempt is not made.
            if (!period || !recovery_.nextAttemptAt ||
                secondsBetween(now, *recovery_.nextAttemptAt) <= *period) {
                return std::nullopt;
            }
            return Seconds(*period);
        },
        [this, generation, recreate, count] {
            if (!recovery_.attempt || generation != selectionGeneration_ || !mayPlaybackRun()) {
                return;
            }
            RureLog::playback().notice(
                QStringLiteral("The camera answers again; recovery %1 starts now.").arg(count));
            recovery_.lastSlotWasCutShort = true;
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
    recovery_.attempt.reset();
    recovery_.nextAttemptAt.reset();
    recovery_.returnWatch.stop();
}

void PlaybackSupervisor::requestLocalNetworkAccessAndStart() {
    if (selection_.isEmpty() || !mayPlaybackRun() || recovery_.preflight.isRunning()) {
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
    recovery_.preflight.start(*target, [this, generation](bool reachable) {
        finishLocalNetworkProbe(reachable, generation);
    });
    statusReporter_.refresh();
}

void PlaybackSupervisor::finishLocalNetworkProbe(bool reloadPlayer, int64_t generation) {
    if (generation != selectionGeneration_ || !hold_.hearsTheCamera()) {
        return;
    }
    noteCameraReachable(reloadPlayer);
    if (!engine_.session) {
        startPlayer();
    } else if (!reloadPlayer) {
        schedulePlaybackRecovery(QStringLiteral("local-network preflight failed"), false, false);
    } else {
        loadSelectedCamera();
    }
}

void PlaybackSupervisor::cancelLocalNetworkProbe() {
    recovery_.preflight.cancel();
}

void PlaybackSupervisor::handleNetworkPath(NetworkPathSignature signature) {
    if (!hold_.hearsTheEngine()) {
        return;
    }
    const std::optional<NetworkPathSignature> previous = hold_.networkPath;
    const bool wasDown = hold_.pathIsDown;
    hold_.networkPath = signature;
    hold_.pathIsDown = !pathReachesCamera();
    // Route changes report the same path again; only a change is worth a line.
    if (previous != signature || wasDown != hold_.pathIsDown) {
        RureLog::network().info(
            QStringLiteral("Network path update: satisfied=%1, wifi=%2, ethernet=%3.")
                .arg(logBool(signature.isSatisfied), logBool(signature.usesWiFi),
                     logBool(signature.usesEthernet)));
        if (!signature.isSatisfied && hold_.reachesTheCamera()) {
            RureLog::network().info(
                QStringLiteral("No default route, but the camera's address has a route."));
        }
    }

    if (!hold_.reachesTheCamera()) {
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
    if (!hold_.networkPath || hold_.networkPath->isSatisfied) {
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
    if (!hold_.hearsTheEngine()) {
        return;
    }
    RureLog::lifecycle().notice(
        QStringLiteral("The computer is sleeping; playback recovery is suspended."));
    hold_.sleeping = true;
    setState(PlaybackSupervisorState::suspended);
    cancelPendingRecovery();
    cancelLocalNetworkProbe();
    if (engine_.session) {
        engine_.session->engine().stopPlayback();
    }
}

void PlaybackSupervisor::systemDidWake() {
    if (!hold_.hearsTheEngine()) {
        return;
    }
    RureLog::lifecycle().notice(
        QStringLiteral("The computer woke; scheduling a fresh camera connection."));
    hold_.sleeping = false;
    load_.lastFrameAt.reset();
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
    engine_.watchdog.reset();
    cancelPendingRecovery();
    cancelLocalNetworkProbe();
    stopPlayerEngine();
}

} // namespace rure
