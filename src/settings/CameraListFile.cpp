#include "CameraListFile.h"

#include "common/RureLog.h"
#include "config/CameraConfiguration.h"
#include "config/CameraConfigurationError.h"
#include "config/CameraConfigurationStore.h"
#include "config/FileSystem.h"

#include <cerrno>

namespace rure {

Result<QList<Camera>> readCameraListFile(const QString& path) {
    // The user is told one text for every file that is no camera list; the
    // log says which kind it was, never what the file holds.
    const auto refused = [](const QString& why) {
        RureLog::configuration().error(
            QStringLiteral("The chosen file is no camera list: %1").arg(why));
        return toError(CameraConfigurationError::invalidFile);
    };
    const Result<QByteArray> bytes = CameraConfigurationStore::readDocument(path);
    if (!bytes) {
        // A FIFO, a device or a file far too large for a camera list is not one;
        // only a failure to read a file is told in the platform's words.
        if (isUnsuitableFile(bytes.error())) {
            return refused(bytes.error().code == EFBIG
                               ? QStringLiteral("it is larger than a camera list can be.")
                               : QStringLiteral("it is not a regular file."));
        }
        return bytes.error();
    }
    // The decoder's own error would describe JSON details the user cannot act on.
    Result<QList<Camera>> cameras = decodeCameraList(bytes.value());
    if (!cameras) {
        return refused(cameras.error().description);
    }
    if (cameras.value().isEmpty()) {
        return refused(QStringLiteral("its list holds no cameras."));
    }
    return std::move(cameras).value();
}

} // namespace rure
