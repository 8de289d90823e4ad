// Focus on an area: the selection over the picture becomes a crop of the
// decoded picture, the window takes the crop's proportions, and the original
// view and frame come back on request.
#include "AppDelegate.h"

#include "window/DraggableContentView.h"
#include "window/ViewerControlButton.h"
#include "window/ViewerWindow.h"

#include <QGuiApplication>
#include <QScreen>

namespace rure {

namespace {

const QString focusOnAreaLabel = QStringLiteral("Focus on an Area");
const QString cancelSelectionLabel = QStringLiteral("Cancel Area Selection");
const QString showOriginalLabel = QStringLiteral("Show Original View");
const QString waitForPictureMessage =
    QStringLiteral("Wait for the camera picture, then choose the focus area again.");

// While a crop is shown the window may take almost any shape.
constexpr QSize focusedMinimumSize{160, 160};

void setButtonLabel(QWidget* button, const QString& label) {
    button->setToolTip(label);
    button->setAccessibleName(label);
}

} // namespace

void AppDelegate::toggleFocusArea() {
    if (focusCrop) {
        restoreOriginalCameraView();
        return;
    }
    if (!isSelectingFocusArea) {
        isSelectingFocusArea = true;
        if (focusViewerButton) {
            focusViewerButton->isSelectingArea = true;
            setButtonLabel(focusViewerButton, cancelSelectionLabel);
            focusViewerButton->update();
        }
        if (interactionView) {
            interactionView->beginFocusSelection();
        }
        updateViewerControls();
        return;
    }
    if (interactionView) {
        interactionView->cancelFocusSelection(true);
    }
}

void AppDelegate::focusSelectionCancelled() {
    if (!isSelectingFocusArea) {
        return;
    }
    isSelectingFocusArea = false;
    if (focusViewerButton) {
        focusViewerButton->isSelectingArea = false;
        focusViewerButton->update();
    }
    updateFocusButton();
    updateViewerControls();
}

void AppDelegate::focusSelectionCompleted(const QRectF& selection) {
    isSelectingFocusArea = false;
    if (focusViewerButton) {
        focusViewerButton->isSelectingArea = false;
        focusViewerButton->update();
    }
    PlaybackEngine* engine = supervisor_->engine();
    if (!engine) {
        updateFocusButton();
        updateViewerControls();
        return;
    }
    updateWindowAspectRatio(*engine);
    if (!sourceVideoGeometry || !interactionView) {
        failFocusSelection();
        return;
    }
    const std::optional<VideoFocusCrop> crop =
        focusCropForSelection(selection, QSizeF(interactionView->size()), *sourceVideoGeometry);
    if (!crop) {
        failFocusSelection();
        return;
    }
    if (window) {
        restoreFrameBeforeFocus = window->geometry();
    }
    focusCrop = crop;
    isShowingFullCameraTemporarily = false;
    applyFocusedCameraView(*focusCrop, true);
    updateFocusButton();
    updateViewerControls();
}

void AppDelegate::failFocusSelection() {
    updateFocusButton();
    updateViewerControls();
    showPlaybackError(waitForPictureMessage);
}

void AppDelegate::applyFocusedCameraView(const VideoFocusCrop& crop, bool reshapeWindow) {
    setMPVProperty(QStringLiteral("video-crop"), crop.engineText());
    setMPVProperty(QStringLiteral("keepaspect"), QStringLiteral("no"));
    setMPVProperty(QStringLiteral("panscan"), QStringLiteral("0"));

    // The engine stretches the crop over whatever shape the window has.
    if (window) {
        window->setContentAspectRatio(QSizeF());
        window->setMinimumContentSize(focusedMinimumSize);
    }
    appliedVideoAspectRatio.reset();

    if (!reshapeWindow || !window) {
        return;
    }
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const int64_t rotation = sourceVideoGeometry ? sourceVideoGeometry->rotation : 0;
    const std::optional<QRectF> frame =
        focusedWindowFrame(QRectF(window->geometry()), displayedCropRatio(crop, rotation),
                           QRectF(screen->availableGeometry()), focusedMinimumSize.width());
    if (frame) {
        setWindowFrameAnimated(frame->toRect());
    }
}

void AppDelegate::restoreOriginalCameraView() {
    if (interactionView) {
        interactionView->cancelFocusSelection(false);
    }
    isSelectingFocusArea = false;
    focusCrop.reset();
    isShowingFullCameraTemporarily = false;
    setMPVProperty(QStringLiteral("video-crop"), QString());
    setMPVProperty(QStringLiteral("keepaspect"), QStringLiteral("yes"));
    setMPVProperty(QStringLiteral("panscan"), QStringLiteral("0.0"));
    if (window) {
        window->setMinimumContentSize(ViewerWindow::minimumContentSize);
        if (sourceVideoGeometry) {
            // The picture's own proportions, whatever they are.
            const QSizeF displayed = sourceVideoGeometry->displayedSize();
            window->setContentAspectRatio(displayed);
            appliedVideoAspectRatio = displayed.width() / displayed.height();
        }
    }
    if (restoreFrameBeforeFocus) {
        setWindowFrameAnimated(*restoreFrameBeforeFocus);
        restoreFrameBeforeFocus.reset();
    }
    updateFocusButton();
    updateViewerControls();
}

void AppDelegate::updateFocusButton() {
    if (!focusViewerButton) {
        return;
    }
    focusViewerButton->showsRestoreIcon = focusCrop.has_value();
    focusViewerButton->isSelectingArea = isSelectingFocusArea;
    if (focusCrop) {
        setButtonLabel(focusViewerButton, showOriginalLabel);
    } else if (isSelectingFocusArea) {
        setButtonLabel(focusViewerButton, cancelSelectionLabel);
    } else {
        setButtonLabel(focusViewerButton, focusOnAreaLabel);
    }
    focusViewerButton->update();
}

} // namespace rure
