#include "SnapshotController.h"

#include "engine/PlaybackEngine.h"
#include "viewer/FocusAreaController.h"

#include <QImage>
#include <QPointer>
#include <QSize>

namespace rure {

namespace {

const QString waitForPictureToSave =
    QStringLiteral("Wait for the camera picture, then save the snapshot again.");

} // namespace

SnapshotController::SnapshotController(Scheduler& scheduler, QString folder, Hooks hooks,
                                       QObject* parent)
    : QObject(parent), scheduler_(scheduler), failed_(hooks.failed),
      saver_(std::move(folder), std::move(hooks)) {}

void SnapshotController::save(PlaybackEngine& engine, const QString& cameraName,
                              const QDateTime& takenAt, FocusAreaController* focusArea,
                              int64_t selectionGeneration) {
    if (awaiting_) {
        return;
    }
    const std::optional<VideoFocusCrop> crop =
        focusArea != nullptr ? focusArea->focusCrop() : std::nullopt;
    if (!crop || focusArea->isShowingFullCameraTemporarily()) {
        saver_.takeSnapshot(engine, cameraName, takenAt);
        return;
    }
    // The engine's picture is the crop: the whole picture is shown, and taken
    // once the engine has drawn it.
    focusArea->toggleFullCameraTemporarily();
    awaiting_ =
        AwaitingWholePicture{.cameraName = cameraName,
                             .takenAt = takenAt,
                             .crop = *crop,
                             .focusArea = focusArea,
                             .selectionGeneration = selectionGeneration,
                             .deadline = scheduler_.schedule(wholePictureDeadline, this, [this] {
                                 abandon(waitForPictureToSave);
                             })};
}

void SnapshotController::pictureDrawn(PlaybackEngine& engine, int64_t selectionGeneration) {
    if (!awaiting_ || awaiting_->asked) {
        return;
    }
    AwaitingWholePicture& waiting = *awaiting_;
    if (selectionGeneration != waiting.selectionGeneration) {
        abandon(waitForPictureToSave);
        return;
    }
    if (waiting.focusArea->focusCrop() == waiting.crop &&
        !waiting.focusArea->isShowingFullCameraTemporarily()) {
        // The user brought the crop back meanwhile.
        abandon({});
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
    // changed: one of another size is turned down, and the next picture drawn
    // asks again, until the deadline.
    waiting.asked = true;
    const QSize whole(qRound(wholeSize.width()), qRound(wholeSize.height()));
    saver_.takeSnapshot(
        engine, waiting.cameraName, waiting.takenAt,
        [self = QPointer<SnapshotController>(this), whole](const std::optional<QImage>& picture) {
            if (!self || !self->awaiting_) {
                return false;
            }
            if (picture && picture->size() != whole && picture->size() != whole.transposed()) {
                self->awaiting_->asked = false;
                return false;
            }
            const AwaitingWholePicture taken = std::move(*self->awaiting_);
            self->awaiting_.reset();
            showCropAgain(taken.focusArea, taken.crop);
            return true;
        });
}

void SnapshotController::viewerWillClose() {
    awaiting_.reset();
}

void SnapshotController::abandon(const QString& message) {
    if (!awaiting_) {
        return;
    }
    const AwaitingWholePicture dropped = std::move(*awaiting_);
    awaiting_.reset();
    showCropAgain(dropped.focusArea, dropped.crop);
    if (!message.isEmpty() && failed_) {
        failed_(message);
    }
}

void SnapshotController::showCropAgain(FocusAreaController* focusArea, const VideoFocusCrop& crop) {
    if (focusArea->focusCrop() == crop && focusArea->isShowingFullCameraTemporarily()) {
        focusArea->toggleFullCameraTemporarily();
    }
}

} // namespace rure
