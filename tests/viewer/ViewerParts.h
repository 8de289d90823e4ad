#pragma once

// The controller and the parts of the viewer that its tests look at.

#include "engine/VideoView.h"
#include "settings/CameraSettingsController.h"
#include "viewer/AppDelegate.h"
#include "viewer/FocusAreaController.h"
#include "viewer/SnapshotSaver.h"
#include "window/CameraPicker.h"
#include "window/DraggableContentView.h"
#include "window/OverlayNotice.h"
#include "window/ViewerControlButton.h"
#include "window/ViewerOverlay.h"
#include "window/ViewerWindow.h"
#include "window/WindowFrameController.h"

#include <QLabel>
