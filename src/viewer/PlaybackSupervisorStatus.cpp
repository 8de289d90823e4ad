// What playback is doing and why the camera is not playing, for the status
// line: what the supervisor knows of the selected camera.
#include "PlaybackSupervisor.h"

#include "common/VisibleName.h"
#include "viewer/CameraSelection.h"
#include "viewer/RecoverySchedule.h"

#include <algorithm>

namespace rure {

PlaybackStatus PlaybackSupervisor::status() const {
    PlaybackStatus status;
    if (selection_.isEmpty() || !hold_.hearsTheCamera()) {
        return status;
    }
    if (!selectedCameraIsPlayable()) {
        status.activity = PlaybackActivity::notPlayable;
        return status;
    }
    status.lastPictureAt = report_.lastPictureAt;
    status.problem = report_.problem;
    status.unreachable = report_.unreachable;
    if (!hold_.reachesTheCamera()) {
        status.activity = PlaybackActivity::waitingForNetwork;
        return status;
    }
    const bool somethingRuns =
        engine_.session || recovery_.attempt || recovery_.preflight.isRunning();
    if (!somethingRuns) {
        // Nothing is pending: say why, never a countdown or "Connecting…"
        // that cannot end.
        status.activity = PlaybackActivity::stopped;
        status.engineFailure = report_.engineFailure;
        return status;
    }
    const bool recovering = recovery_.attempt != nullptr || recovery_.count > 0;
    if (recovering) {
        status.activity = PlaybackActivity::reconnecting;
        status.attempt = std::max<int64_t>(recovery_.count, 1);
        if (recovery_.attempt) {
            status.nextAttemptAt = recovery_.nextAttemptAt;
        }
        status.credentialsRefusedAgain = credentialsAreRefused();
    } else if (state_ == PlaybackSupervisorState::playing || report_.lastPictureAt) {
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

void PlaybackSupervisor::noteCameraProblem(CameraProblem problem) {
    report_.problem = problem;
    report_.credentialRefusals =
        problem == CameraProblem::credentialsRefused ? report_.credentialRefusals + 1 : 0;
    report_.unreachable = false;
    statusReporter_.refresh();
}

bool PlaybackSupervisor::statusOffersCameraEditor() const {
    const PlaybackStatus shown = status();
    return shown.activity == PlaybackActivity::notPlayable ||
           (shown.credentialsRefusedAgain && shown.nextAttemptAt);
}

bool PlaybackSupervisor::credentialsAreRefused() const {
    return report_.problem == CameraProblem::credentialsRefused &&
           report_.credentialRefusals >= RecoverySchedule::credentialRefusalsBeforeSlowing;
}

void PlaybackSupervisor::noteCameraReachable(bool reachable) {
    // The status line follows with what playback does next.
    report_.unreachable = !reachable;
    if (!reachable) {
        // Whatever the camera said before, it does not answer now.
        report_.problem.reset();
    }
}

} // namespace rure
