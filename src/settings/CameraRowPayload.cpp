#include "CameraRowPayload.h"

#include "common/DecimalInt64.h"

namespace rure {

std::optional<std::int64_t> parseCameraRowPayload(const QString& payload) {
    return parseDecimalInt64(payload);
}

QString cameraRowPayload(qsizetype row) {
    return QString::number(row);
}

} // namespace rure
