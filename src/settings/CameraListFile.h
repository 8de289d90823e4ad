#pragma once

#include "common/Result.h"
#include "config/Camera.h"

#include <QList>
#include <QString>

namespace rure {

// Reads a camera list document for import, by the store's reading rules (see
// CameraConfigurationStore::readDocument), so it never blocks. A file that cannot
// be read fails with the platform's text; anything that is not a non-empty camera
// list, including what is not a regular file and a file larger than a camera list
// can be, fails with CameraConfigurationError::invalidFile.
Result<QList<Camera>> readCameraListFile(const QString& path);

} // namespace rure
