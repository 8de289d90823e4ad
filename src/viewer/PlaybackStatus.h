#pragma once

#include "common/Scheduler.h"
#include "engine/CameraProblem.h"
#include "engine/PlaybackEngine.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace rure {

// What playback of the selected camera is doing, as the status line over the
// picture tells it.
enum class PlaybackActivity {
    // Nothing to say: no camera, the machine asleep, or the window closing.
    idle,
    // The first picture of the selected camera is on its way.
    connecting,
    // Pictures come; the status line speaks only when the last one grows old.
    playing,
    // Waiting for the next attempt (or making it) after the pictures stopped
    // or the camera could not be reached.
    reconnecting,
    // The network path is down; playback resumes when it is back.
    waitingForNetwork,
    // Nothing runs or is planned (the video engine could not be started):
    // playback waits for the user to choose a camera.
    stopped,
    // The selected camera's address is not an RTSP address: it is never
    // played, until the list is corrected.
    notPlayable,
};

struct PlaybackStatus {
    PlaybackActivity activity = PlaybackActivity::idle;
    // When the selected camera's last picture was shown, while it stays on
    // screen; nothing before its first picture.
    std::optional<SteadyTime> lastPictureAt;
    // A picture older than this is no longer live.
    double staleAfterSeconds = 10.0;
    // While reconnecting: the attempt (1 for the first) and, while waiting
    // for it, when it starts.
    int64_t attempt = 0;
    std::optional<SteadyTime> nextAttemptAt;
    // Why the camera is not playing, when known: the engine's word for it,
    // or the camera not answering before the engine started.
    std::optional<CameraProblem> problem;
    bool unreachable = false;
    // While stopped: the engine's failure, when that is why.
    std::optional<EngineStartError> engineFailure;
    // While reconnecting: the camera refused the user name or password too
    // often in a row, and the next attempt waits minutes.
    bool credentialsRefusedAgain = false;
    // While connecting: the name of the camera on its way (never its address).
    QString cameraName;

    friend bool operator==(const PlaybackStatus&, const PlaybackStatus&) = default;
};

// The status line for `status` at `now` (`wallNow` is the same moment on the
// wall clock, for the time of the last picture); empty while the picture is
// live or there is nothing to say. It never names the camera's address.
QString playbackStatusText(const PlaybackStatus& status, SteadyTime now, const QDateTime& wallNow);

// The user's words for a camera problem.
QString describe(CameraProblem problem);

} // namespace rure
