#pragma once

#include "common/Error.h"

#include <QString>

namespace rure {

enum class CameraConfigurationError {
    noCameras,
    invalidFile,
};

// The user-facing text of the case.
QString describe(CameraConfigurationError error);

// An Error of the cameraConfiguration domain whose code is the case.
Error toError(CameraConfigurationError error);

} // namespace rure
