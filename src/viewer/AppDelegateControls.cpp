// The controls over the picture, Stay on Top, the temporary maximum and
// closing the viewer. The overlay and the frame controller own their state.
#include "AppDelegate.h"

#include "settings/CameraSettingsController.h"
#include "viewer/FocusAreaController.h"
#include "window/DraggableContentView.h"
#include "window/ViewerOverlay.h"
#include "window/ViewerWindow.h"
#include "window/WindowFrameController.h"

namespace rure {

void AppDelegate::hoverChanged(bool pointerInside) {
    if (overlay_) {
        overlay_->hoverChanged(pointerInside);
    }
}

void AppDelegate::applicationDidResignActive() {
    if (isClosingViewer()) {
        return;
    }
    if (focusArea_) {
        focusArea_->cancelFocusSelection();
    }
    if (overlay_) {
        overlay_->applicationDidResignActive();
    }
}

QList<QRect> AppDelegate::viewerControlRects() const {
    const DraggableContentView* surface = interactionSurface();
    if (!overlay_ || surface == nullptr) {
        return {};
    }
    return overlay_->viewerControlRects(*surface);
}

void AppDelegate::toggleStayOnTop() {
    if (!overlay_) {
        return;
    }
    const bool pinned = overlay_->staysOnTop();
    if (window) {
        window->setStaysOnTop(pinned);
    }
    if (settingsController) {
        settingsController->setStaysOnTop(pinned);
    }
    viewerSettings_.setStaysOnTop(pinned);
}

void AppDelegate::secondaryClick() {
    // With a crop applied, a right click shows the whole picture in the
    // cropped window, and the next one returns to the crop.
    if (focusArea_ && focusArea_->focusCrop()) {
        focusArea_->toggleFullCameraTemporarily();
        return;
    }
    toggleTemporaryMaximum();
}

void AppDelegate::toggleTemporaryMaximum() {
    if (windowFrame_) {
        windowFrame_->toggleTemporaryMaximum(focusArea_ ? focusArea_->appliedVideoAspectRatio()
                                                        : std::nullopt);
    }
    supervisor_->reconsiderStream();
}

void AppDelegate::closeCameraViewer() {
    if (window) {
        window->close();
    }
}

void AppDelegate::menuWillOpen() {
    if (overlay_) {
        overlay_->menuWillOpen();
    }
}

void AppDelegate::menuDidClose() {
    if (overlay_) {
        overlay_->menuDidClose();
    }
}

} // namespace rure
