// The controls over the picture, Stay on Top, the temporary maximum and
// closing the viewer. The overlay and the frame controller own their state.
#include "AppDelegate.h"

#include "settings/CameraSettingsController.h"
#include "viewer/ViewerWindowSide.h"
#include "window/DraggableContentView.h"

namespace rure {

void AppDelegate::applicationDidResignActive() {
    if (isClosingViewer()) {
        return;
    }
    side().focusArea().cancelFocusSelection();
    side().overlay().applicationDidResignActive();
}

void AppDelegate::toggleStayOnTop() {
    const bool pinned = side().overlay().staysOnTop();
    side().window().setStaysOnTop(pinned);
    if (settingsController) {
        settingsController->setStaysOnTop(pinned);
    }
    viewerSettings_.setStaysOnTop(pinned);
    refreshMenu();
}

void AppDelegate::secondaryClick() {
    // With a crop applied, a right click shows the whole picture in the
    // cropped window, and the next one returns to the crop.
    FocusAreaController& focusArea = side().focusArea();
    if (focusArea.focusCrop()) {
        focusArea.toggleFullCameraTemporarily();
        return;
    }
    toggleTemporaryMaximum();
}

void AppDelegate::toggleTemporaryMaximum() {
    side().frame().toggleTemporaryMaximum(side().focusArea().appliedVideoAspectRatio());
    supervisor_->reconsiderStream();
}

} // namespace rure
