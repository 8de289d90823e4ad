#pragma once

#include "engine/VideoView.h"
#include "settings/CameraSettingsController.h"
#include "viewer/AppDelegate.h"
#include "viewer/FocusAreaController.h"
#include "window/CameraPicker.h"
#include "window/DraggableContentView.h"
#include "window/ViewerControlButton.h"
#include "window/ViewerOverlay.h"
#include "window/ViewerWindow.h"
#include "window/WindowFrameController.h"

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
    QWidget* videoHost() const { return d.videoHost; }
    VideoView* videoView() const { return d.videoHost ? d.videoView : nullptr; }
    ViewerWindow* window() const { return d.window; }
    DraggableContentView* interactionView() const { return d.interactionView; }
    CameraSettingsController* settingsController() const { return d.settingsController.get(); }

    AppDelegate& d;
};

} // namespace rure
