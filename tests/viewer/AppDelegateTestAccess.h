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

    const QList<Camera>& cameras() const { return d.cameras; }
    bool hasEngine() const { return d.mpv != nullptr; }
    bool hasEventLoop() const { return d.mpvEventLoop != nullptr; }
    int64_t playerGeneration() const { return d.playerGeneration; }
    int64_t playbackSelectionGeneration() const { return d.playbackSelectionGeneration; }
    PlaybackSupervisorState playbackState() const { return d.playbackState; }
    bool hasPendingRecovery() const { return d.playbackRetry != nullptr; }
    bool hasWatchdog() const { return d.playbackWatchdog != nullptr; }
    int64_t playbackRetryCount() const { return d.playbackRetryCount; }
    bool hasPreflight() const { return d.localNetworkProbe != nullptr; }
    bool isClosingViewer() const { return d.isClosingViewer; }
    bool systemIsSleeping() const { return d.systemIsSleeping; }
    bool networkPathIsSatisfied() const { return d.networkPathIsSatisfied; }
    std::optional<SteadyTime> lastFrameRenderedAt() const { return d.lastFrameRenderedAt; }
    QWidget* videoHost() const { return d.videoHost; }
    VideoView* videoView() const { return d.videoHost ? d.videoView : nullptr; }
    ViewerWindow* window() const { return d.window; }
    DraggableContentView* interactionView() const { return d.interactionView; }
    CameraSettingsController* settingsController() const { return d.settingsController.get(); }

    AppDelegate& d;
};

} // namespace rure
