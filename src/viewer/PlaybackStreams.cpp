// The camera's two streams: the small one while the picture is shown small,
// the main one otherwise, and the main one again when the small one fails.
#include "PlaybackSupervisor.h"

#include "common/RureLog.h"
#include "viewer/CameraSelection.h"

namespace rure {

namespace {

QString streamName(CameraStream stream) {
    return stream == CameraStream::small ? QStringLiteral("small") : QStringLiteral("main");
}

} // namespace

StreamNeeds PlaybackSupervisor::streamNeeds() const {
    return client_.streamNeeds ? client_.streamNeeds()
                               : StreamNeeds{.shownArea = {}, .mainRequired = true};
}

std::optional<QSize> PlaybackSupervisor::mainPictureWhileSmallPlays() const {
    const Camera* camera = selection_.selectedCamera();
    if (!camera || streams_.shown() != CameraStream::small) {
        return std::nullopt;
    }
    return streams_.mainPicture(*camera);
}

void PlaybackSupervisor::reconsiderStream() {
    const Camera* camera = selection_.selectedCamera();
    if (!camera || !hold_.hearsTheEngine() || !streams_.choose(*camera, streamNeeds())) {
        return;
    }
    // While nothing plays, or a recovery or preflight is pending, the next
    // load takes the new choice: the change itself never costs a reconnect.
    const bool loading =
        state_ == PlaybackSupervisorState::playing || state_ == PlaybackSupervisorState::starting;
    if (!mayPlaybackRun() || !loading || recovery_.attempt || recovery_.preflight.isRunning()) {
        return;
    }
    loadSelectedCamera(QStringLiteral("Switching camera index %1 to its %2 stream.")
                           .arg(selection_.selectedIndex())
                           .arg(streamName(streams_.playing())));
}

bool PlaybackSupervisor::fallBackFromSmallStream(const QString& reason) {
    const Camera* camera = selection_.selectedCamera();
    if (!camera || !engine_.session || streams_.playing() != CameraStream::small ||
        load_.lastFrameAt) {
        return false;
    }
    streams_.smallStreamFailed();
    loadSelectedCamera(
        QStringLiteral("The small stream of camera index %1 brought no picture (%2); playing "
                       "its main stream.")
            .arg(selection_.selectedIndex())
            .arg(reason));
    return true;
}

void PlaybackSupervisor::notePictureSize() {
    const Camera* camera = selection_.selectedCamera();
    if (!camera || !engine_.session || streams_.shown() != CameraStream::main) {
        return;
    }
    // The decoder's picture, before any filter: an engine that crops a
    // focused area with a filter reports the crop's size after it.
    PlaybackEngine& engine = engine_.session->engine();
    const std::optional<int64_t> width = engine.integerProperty("video-dec-params/w");
    const std::optional<int64_t> height = engine.integerProperty("video-dec-params/h");
    if (width && height && *width > 0 && *height > 0 && *width <= 16384 && *height <= 16384) {
        streams_.mainPictureSeen(*camera, QSize(int(*width), int(*height)));
    }
}

} // namespace rure
