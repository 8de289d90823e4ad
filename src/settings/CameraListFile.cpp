#include "CameraListFile.h"

#include "config/CameraConfiguration.h"
#include "config/CameraConfigurationError.h"
#include "config/CameraConfigurationStore.h"
#include "config/FileSystem.h"

namespace rure {

Result<QList<Camera>> readCameraListFile(const QString& path) {
    const Result<QByteArray> bytes = CameraConfigurationStore::readDocument(path);
    if (!bytes) {
        // A FIFO, a device or a file far too large for a camera list is not one;
        // only a failure to read a file is told in the platform's words.
        if (isUnsuitableFile(bytes.error())) {
            return toError(CameraConfigurationError::invalidFile);
        }
        return bytes.error();
    }
    // The decoder's own error would describe JSON details the user cannot act on.
    Result<QList<Camera>> cameras = decodeCameraList(bytes.value());
    if (!cameras || cameras.value().isEmpty()) {
        return toError(CameraConfigurationError::invalidFile);
    }
    return std::move(cameras).value();
}

} // namespace rure
