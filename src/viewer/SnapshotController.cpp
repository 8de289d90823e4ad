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
                              int64_t selectionGeneration, std::optional<QSize> mainPicture) {
    if (awaiting_) {
        return;
    }
    std::optional<VideoFocusCrop> crop =
        focusArea != nullptr ? focusArea->focusCrop() : std::nullopt;
    if (crop && focusArea->isShowingFullCameraTemporarily()) {
        crop.reset();
    }
    if (!crop && !mainPicture) {
        saver_.takeSnapshot(engine, cameraName, takenAt);
        return;
    }
    // The engine's picture is the crop, or the small stream's: the whole
    // picture is shown, and taken once the engine has drawn it.
    if (crop) {
        focusArea->toggleFullCameraTemporarily();
    }
    const QSize whole =
        mainPicture ? *mainPicture
                    : QSize(qRound(crop->sourceSize.width()), qRound(crop->sourceSize.height()));
    awaiting_ =
        AwaitingWholePicture{.cameraName = cameraName,
                             .takenAt = takenAt,
                             .whole = whole,
                             .crop = crop,
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
    if (waiting.crop && waiting.focusArea->focusCrop() == waiting.crop &&
        !waiting.focusArea->isShowingFullCameraTemporarily()) {
        // The user brought the crop back meanwhile.
        abandon({});
        return;
    }
    // The picture the engine draws is whole once it has the camera's size
    // again (an engine that crops with a filter draws the crop's size, the
    // small stream its own).
    const QSize whole = waiting.whole;
    if (engine.integerProperty("video-params/w") != whole.width() ||
        engine.integerProperty("video-params/h") != whole.height()) {
        return;
    }
    // The engine may still hold a cropped picture drawn before the filter
    // changed: one of another size is turned down, and the next picture drawn
    // asks again, until the deadline.
    waiting.asked = true;
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

void SnapshotController::showCropAgain(FocusAreaController* focusArea,
                                       const std::optional<VideoFocusCrop>& crop) {
    if (crop && focusArea->focusCrop() == crop && focusArea->isShowingFullCameraTemporarily()) {
        focusArea->toggleFullCameraTemporarily();
    }
}

} // namespace rure
