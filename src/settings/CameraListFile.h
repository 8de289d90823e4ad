#pragma once

#include "common/Result.h"
#include "config/Camera.h"

#include <QList>
#include <QString>

namespace rure {

// Reads a camera list document for import. A file that cannot be read fails with
// the platform's text; anything that is not a non-empty camera list fails with
// CameraConfigurationError::invalidFile.
Result<QList<Camera>> readCameraListFile(const QString& path);

} // namespace rure
