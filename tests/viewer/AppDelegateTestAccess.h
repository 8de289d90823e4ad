#pragma once

#include "engine/VideoView.h"
#include "settings/CameraSettingsController.h"
#include "viewer/AppDelegate.h"
#include "window/CameraPicker.h"
#include "window/DraggableContentView.h"
#include "window/ViewerControlButton.h"
#include "window/ViewerWindow.h"

#include <QLabel>

namespace rure {

// Read access to the controller's state for tests.
struct AppDelegateInspector {
    explicit AppDelegateInspector(AppDelegate& delegate) : d(delegate) {}

    const QList<Camera>& cameras() const { return d.cameraSelection().cameras(); }
    const PlaybackSupervisor& supervisor() const { return d.playbackSupervisor(); }
    bool hasEngine() const { return supervisor().hasEngine(); }
    int64_t playerGeneration() const { return supervisor().playerGeneration(); }
    int64_t playbackSelectionGeneration() const { return supervisor().selectionGeneration(); }
    PlaybackSupervisorState playbackState() const { return supervisor().state(); }
    bool hasPendingRecovery() const { return supervisor().hasPendingRecovery(); }
    bool hasWatchdog() const { return supervisor().hasWatchdog(); }
    int64_t playbackRetryCount() const { return supervisor().retryCount(); }
    bool hasPreflight() const { return supervisor().hasPreflight(); }
    bool isClosingViewer() const { return d.isClosingViewer; }
    bool systemIsSleeping() const { return supervisor().hold().sleeping; }
    bool networkPathIsSatisfied() const { return !supervisor().hold().pathIsDown; }
    std::optional<SteadyTime> lastFrameRenderedAt() const {
        return supervisor().lastFrameRenderedAt();
    }
    std::optional<double> appliedVideoAspectRatio() const { return d.appliedVideoAspectRatio; }
    std::optional<VideoSourceGeometry> sourceVideoGeometry() const { return d.sourceVideoGeometry; }
    CameraPicker* cameraPicker() const { return d.cameraPicker; }
    QLabel* emptyStateLabel() const { return d.emptyStateLabel; }
    QWidget* videoHost() const { return d.videoHost; }
    VideoView* videoView() const { return d.videoHost ? d.videoView : nullptr; }
    ViewerWindow* window() const { return d.window; }
    DraggableContentView* interactionView() const { return d.interactionView; }
    FocusViewerButton* focusViewerButton() const { return d.focusViewerButton; }
    std::optional<VideoFocusCrop> focusCrop() const { return d.focusCrop; }
    bool isSelectingFocusArea() const { return d.isSelectingFocusArea; }
    bool isShowingFullCameraTemporarily() const { return d.isShowingFullCameraTemporarily; }
    std::optional<QRect> restoreFrameBeforeFocus() const { return d.restoreFrameBeforeFocus; }
    bool viewerControlsAreVisible() const { return d.viewerControlsAreVisible; }
    bool isTemporarilyMaximized() const { return d.isTemporarilyMaximized; }
    // The overlay controls, in their order from back to front.
    QList<QWidget*> controls() const {
        return {d.cameraPicker, d.mainMenuButton, d.stayOnTopButton, d.focusViewerButton,
                d.closeViewerButton};
    }
    PinToggleButton* stayOnTopButton() const { return d.stayOnTopButton; }
    MainMenuButton* mainMenuButton() const { return d.mainMenuButton; }
    void setTemporarilyMaximized(bool value) { d.isTemporarilyMaximized = value; }
    CameraSettingsController* settingsController() const { return d.settingsController.get(); }

    AppDelegate& d;
};

} // namespace rure
