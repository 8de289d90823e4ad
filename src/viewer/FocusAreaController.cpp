#include "FocusAreaController.h"

#include "engine/NormalizedRotation.h"
#include "window/DraggableContentView.h"
#include "window/ViewerWindow.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace rure {

namespace {

const QString waitForPictureMessage =
    QStringLiteral("Wait for the camera picture, then choose the focus area again.");

// The picture shapes the window follows on its own; others it leaves alone.
constexpr double minimumAppliedRatio = 0.25;
constexpr double maximumAppliedRatio = 4.0;
constexpr double ratioTolerance = 0.001;

// Whether the camera now sends a picture of another size than the one `crop`
// was made on. An engine that crops with a filter reports the crop's own size.
bool cameraChangedItsPicture(const VideoFocusCrop& crop, const VideoSourceGeometry& picture) {
    const bool source = crop.sourceSize.toSize() ==
                        QSize(static_cast<int>(picture.width), static_cast<int>(picture.height));
    const bool cropped = crop.width == picture.width && crop.height == picture.height;
    return !source && !cropped;
}

} // namespace

FocusAreaController::FocusAreaController(ViewerWindow& window, DraggableContentView& selectionView,
                                         FocusAreaHooks hooks)
    : window_(window), selectionView_(selectionView), hooks_(std::move(hooks)) {}

void FocusAreaController::toggleFocusArea() {
    if (focusCrop_) {
        restoreOriginalCameraView();
        return;
    }
    if (!isSelectingFocusArea_) {
        isSelectingFocusArea_ = true;
        selectionView_.beginFocusSelection();
        hooks_.stateChanged();
        return;
    }
    cancelFocusSelection();
}

void FocusAreaController::cancelFocusSelection() {
    // The view reports the cancellation back through focusSelectionCancelled.
    selectionView_.cancelFocusSelection(true);
}

void FocusAreaController::focusSelectionCancelled() {
    if (!isSelectingFocusArea_) {
        return;
    }
    isSelectingFocusArea_ = false;
    hooks_.stateChanged();
}

void FocusAreaController::focusSelectionCompleted(const QRectF& selection, bool engineIsRunning) {
    isSelectingFocusArea_ = false;
    if (!engineIsRunning) {
        hooks_.stateChanged();
        return;
    }
    if (!sourceVideoGeometry_) {
        failFocusSelection();
        return;
    }
    const std::optional<VideoFocusCrop> crop =
        focusCropForSelection(selection, QSizeF(selectionView_.size()), *sourceVideoGeometry_);
    if (!crop) {
        failFocusSelection();
        return;
    }
    restoreFrameBeforeFocus_ = window_.geometry();
    focusCrop_ = crop;
    isShowingFullCameraTemporarily_ = false;
    applyFocusedCameraView(*focusCrop_, true);
    hooks_.stateChanged();
}

void FocusAreaController::failFocusSelection() {
    hooks_.stateChanged();
    hooks_.showError(waitForPictureMessage);
}

void FocusAreaController::setEngineProperties(const QString& crop, const QString& keepAspect,
                                              const QString& panScan) {
    hooks_.setEngineProperty(QStringLiteral("video-crop"), crop);
    hooks_.setEngineProperty(QStringLiteral("keepaspect"), keepAspect);
    hooks_.setEngineProperty(QStringLiteral("panscan"), panScan);
}

void FocusAreaController::applyFocusedCameraView(const VideoFocusCrop& crop, bool reshapeWindow) {
    focusCrop_ = crop;
    isShowingFullCameraTemporarily_ = false;
    applyViewToEngine();

    // The engine stretches the crop over whatever shape the window has.
    window_.setContentAspectRatio(QSizeF());
    window_.setMinimumContentSize(focusedMinimumSize);
    appliedVideoAspectRatio_.reset();

    if (!reshapeWindow) {
        return;
    }
    const QScreen* screen = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const int64_t rotation = sourceVideoGeometry_ ? sourceVideoGeometry_->rotation : 0;
    const std::optional<QRectF> frame =
        focusedWindowFrame(QRectF(window_.geometry()), displayedCropRatio(crop, rotation),
                           QRectF(screen->availableGeometry()), focusedMinimumSize.width());
    if (frame) {
        hooks_.animateWindowFrame(frame->toRect());
    }
}

void FocusAreaController::restoreOriginalCameraView() {
    selectionView_.cancelFocusSelection(false);
    isSelectingFocusArea_ = false;
    focusCrop_.reset();
    isShowingFullCameraTemporarily_ = false;
    applyViewToEngine();
    window_.setMinimumContentSize(ViewerWindow::minimumContentSize);
    if (sourceVideoGeometry_) {
        // The picture's own proportions, whatever they are.
        const QSizeF displayed = sourceVideoGeometry_->displayedSize();
        window_.setContentAspectRatio(displayed);
        appliedVideoAspectRatio_ = displayed.width() / displayed.height();
    }
    if (restoreFrameBeforeFocus_) {
        hooks_.animateWindowFrame(*restoreFrameBeforeFocus_);
        restoreFrameBeforeFocus_.reset();
    }
    hooks_.stateChanged();
}

void FocusAreaController::toggleFullCameraTemporarily() {
    if (!focusCrop_) {
        return;
    }
    if (!isShowingFullCameraTemporarily_) {
        isShowingFullCameraTemporarily_ = true;
        applyViewToEngine();
    } else {
        applyFocusedCameraView(*focusCrop_, false);
    }
}

void FocusAreaController::fullScreenChanged(bool fullScreen) {
    if (fullScreen != fullScreen_) {
        fullScreen_ = fullScreen;
        applyViewToEngine();
    }
}

void FocusAreaController::cameraWillLoad() {
    viewIsOwedToEngine_ = false;
    if (focusCrop_ || isSelectingFocusArea_) {
        restoreOriginalCameraView();
    }
    sourceVideoGeometry_.reset();
    appliedVideoAspectRatio_.reset();
    if (fullScreen_ && !focusCrop_) {
        // A new engine starts filling its window.
        applyViewToEngine();
    }
}

void FocusAreaController::cameraWillReload() {
    if (!focusCrop_) {
        if (fullScreen_) {
            applyViewToEngine();
        }
        return;
    }
    applyViewToEngine();
    // An engine that crops with a filter needs the picture's size, which a
    // new engine knows only once it shows a picture: the view goes again then.
    viewIsOwedToEngine_ = true;
}

void FocusAreaController::applyViewToEngine() {
    if (focusCrop_ && !isShowingFullCameraTemporarily_) {
        // In a window of the crop's shape the crop fills it; on a screen of
        // another shape it keeps its proportions.
        setEngineProperties(focusCrop_->engineText(),
                            fullScreen_ ? QStringLiteral("yes") : QStringLiteral("no"),
                            QStringLiteral("0"));
    } else if (focusCrop_ || fullScreen_) {
        // The whole picture in a window or on a screen of another shape: all
        // of it, in its own proportions, with black bars.
        setEngineProperties(QString(), QStringLiteral("yes"), QStringLiteral("0"));
    } else {
        // A window that follows the picture's own shape.
        setEngineProperties(QString(), QStringLiteral("yes"), QStringLiteral("0.0"));
    }
}

void FocusAreaController::viewerWillClose() {
    selectionView_.cancelFocusSelection(false);
}

void FocusAreaController::updateWindowAspectRatio(std::optional<int64_t> width,
                                                  std::optional<int64_t> height, int64_t rotation) {
    if (!width || !height || *width < 1 || *height < 1) {
        return;
    }
    const VideoSourceGeometry geometry{*width, *height, normalizedRotation(rotation)};
    sourceVideoGeometry_ = geometry;
    if (focusCrop_ && cameraChangedItsPicture(*focusCrop_, geometry)) {
        // The area no longer names the same part of the camera's picture.
        restoreOriginalCameraView();
    }
    if (focusCrop_) {
        if (viewIsOwedToEngine_) {
            viewIsOwedToEngine_ = false;
            applyViewToEngine();
        }
        // While a crop is applied the window's shape follows the crop.
        return;
    }

    const QSizeF displayed = geometry.displayedSize();
    const double ratio = displayed.width() / displayed.height();
    if (!std::isfinite(ratio) || ratio < minimumAppliedRatio || ratio > maximumAppliedRatio) {
        return;
    }
    if (appliedVideoAspectRatio_ && std::abs(*appliedVideoAspectRatio_ - ratio) < ratioTolerance) {
        return;
    }
    window_.setContentAspectRatio(displayed);
    appliedVideoAspectRatio_ = ratio;
}

FocusButtonState FocusAreaController::focusButtonState() const {
    if (focusCrop_) {
        return FocusButtonState::showOriginal;
    }
    return isSelectingFocusArea_ ? FocusButtonState::cancelSelection
                                 : FocusButtonState::focusOnArea;
}

} // namespace rure
