#include "CameraListFile.h"

#include "config/CameraConfiguration.h"
#include "config/CameraConfigurationError.h"

#include <QFile>

namespace rure {

Result<QList<Camera>> readCameraListFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Error{ErrorDomain::file, static_cast<int>(file.error()), file.errorString()};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return Error{ErrorDomain::file, static_cast<int>(file.error()), file.errorString()};
    }
    // The decoder's own error would describe JSON details the user cannot act on.
    Result<QList<Camera>> cameras = decodeCameraList(bytes);
    if (!cameras || cameras.value().isEmpty()) {
        return toError(CameraConfigurationError::invalidFile);
    }
    return std::move(cameras).value();
}

} // namespace rure
