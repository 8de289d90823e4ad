// Save Snapshot: the engine's own picture of the selected camera, whole and
// at the camera's size, saved as a PNG file by the snapshot saver, and a
// notice over the picture.
#include "AppDelegate.h"

#include "viewer/FocusAreaController.h"
#include "viewer/SnapshotSaver.h"
#include "window/ViewerOverlay.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace rure {

namespace {

// How long a snapshot may wait for the whole picture to be drawn.
constexpr Seconds wholePictureDeadline{5.0};

const QString waitForPictureToSave =
    QStringLiteral("Wait for the camera picture, then save the snapshot again.");

// A folder as the user reads it: under the home folder it starts with "~".
QString folderForPeople(const QString& folder) {
    const QString home = QDir::homePath();
    const QString clean = QDir::cleanPath(folder);
    if (clean.startsWith(home + u'/')) {
        return QStringLiteral("~") + clean.mid(home.size());
    }
    return clean;
}

} // namespace

bool AppDelegate::canSaveSnapshot() const {
    return !isClosingViewer() && supervisor_->hasEngine() &&
           supervisor_->state() == PlaybackSupervisorState::playing &&
           selection_.selectedCamera() != nullptr;
}

void AppDelegate::saveSnapshot() {
    PlaybackEngine* engine = supervisor_->engine();
    if (!canSaveSnapshot() || engine == nullptr || snapshotAwaitingWholePicture_) {
        return;
    }
    const QString cameraName = selection_.selectedCamera()->name;
    const QDateTime now =
        services_.wallClock ? services_.wallClock() : QDateTime::currentDateTime();
    const std::optional<VideoFocusCrop> crop = focusArea_ ? focusArea_->focusCrop() : std::nullopt;
    if (!crop || focusArea_->isShowingFullCameraTemporarily()) {
        takeSnapshotNow(*engine, cameraName, now);
        return;
    }
    // The engine's picture is the crop: the whole picture is shown, and taken
    // once the engine has drawn it.
    focusArea_->toggleFullCameraTemporarily();
    snapshotAwaitingWholePicture_ = SnapshotAwaitingWholePicture{
        .cameraName = cameraName,
        .takenAt = now,
        .crop = *crop,
        .selectionGeneration = supervisor_->selectionGeneration(),
        .deadline = services_.scheduler->schedule(wholePictureDeadline, this, [this] {
            abandonSnapshotAwaitingWholePicture(waitForPictureToSave);
        })};
}

void AppDelegate::takeSnapshotNow(PlaybackEngine& engine, const QString& cameraName,
                                  const QDateTime& takenAt, SnapshotSaver::Answered answered) {
    snapshots_->takeSnapshot(engine, cameraName, takenAt, std::move(answered));
}

void AppDelegate::continueSnapshotAfterFrame(PlaybackEngine& engine) {
    if (!snapshotAwaitingWholePicture_ || snapshotAwaitingWholePicture_->asked) {
        return;
    }
    SnapshotAwaitingWholePicture& waiting = *snapshotAwaitingWholePicture_;
    if (supervisor_->selectionGeneration() != waiting.selectionGeneration) {
        abandonSnapshotAwaitingWholePicture(waitForPictureToSave);
        return;
    }
    if (focusArea_->focusCrop() == waiting.crop && !focusArea_->isShowingFullCameraTemporarily()) {
        // The user brought the crop back meanwhile.
        abandonSnapshotAwaitingWholePicture({});
        return;
    }
    // The picture the engine draws is whole once it has the camera's size
    // again (an engine that crops with a filter draws the crop's size).
    const QSizeF wholeSize = waiting.crop.sourceSize;
    if (engine.integerProperty("video-params/w") != qRound64(wholeSize.width()) ||
        engine.integerProperty("video-params/h") != qRound64(wholeSize.height())) {
        return;
    }
    // The engine may still hold a cropped picture drawn before the filter
    // changed: one of another size is turned down, and the next frame asks
    // again, until the deadline.
    waiting.asked = true;
    const QSize whole(qRound(wholeSize.width()), qRound(wholeSize.height()));
    takeSnapshotNow(
        engine, waiting.cameraName, waiting.takenAt,
        [weakSelf = QPointer<AppDelegate>(this), whole](const std::optional<QImage>& picture) {
            if (!weakSelf || !weakSelf->snapshotAwaitingWholePicture_) {
                return false;
            }
            SnapshotAwaitingWholePicture& awaiting = *weakSelf->snapshotAwaitingWholePicture_;
            if (picture && picture->size() != whole && picture->size() != whole.transposed()) {
                awaiting.asked = false;
                return false;
            }
            const VideoFocusCrop crop = awaiting.crop;
            weakSelf->snapshotAwaitingWholePicture_.reset();
            weakSelf->showCropAgainAfterSnapshot(crop);
            return true;
        });
}

void AppDelegate::abandonSnapshotAwaitingWholePicture(const QString& message) {
    if (!snapshotAwaitingWholePicture_) {
        return;
    }
    const VideoFocusCrop crop = snapshotAwaitingWholePicture_->crop;
    snapshotAwaitingWholePicture_.reset();
    showCropAgainAfterSnapshot(crop);
    if (!message.isEmpty() && !isClosingViewer()) {
        showPlaybackError(QStringLiteral("The snapshot could not be saved. %1").arg(message));
    }
}

void AppDelegate::showCropAgainAfterSnapshot(const VideoFocusCrop& crop) {
    if (!isClosingViewer() && focusArea_ && focusArea_->focusCrop() == crop &&
        focusArea_->isShowingFullCameraTemporarily()) {
        focusArea_->toggleFullCameraTemporarily();
    }
}

void AppDelegate::snapshotSaved(const QString& path) {
    if (overlay_) {
        overlay_->showNotice(QStringLiteral("Snapshot saved in %1")
                                 .arg(folderForPeople(QFileInfo(path).absolutePath())));
    }
}

void AppDelegate::updateSnapshotMenuItem() {
    if (snapshotMenuItem_) {
        snapshotMenuItem_->setEnabled(canSaveSnapshot());
    }
}

} // namespace rure
