#pragma once

#include <QString>

#include <optional>

namespace rure {

// The editable columns of a camera row.
enum class CameraField {
    name,
    address,
    // The small stream's address, empty where the camera has none.
    subStream,
};

// Identifiers of the table's columns and of the text fields in them.
namespace cameraColumnId {
inline const QString order = QStringLiteral("camera-order");
inline const QString name = QStringLiteral("camera-name");
inline const QString address = QStringLiteral("camera-address");
inline const QString subStream = QStringLiteral("camera-sub-stream");
} // namespace cameraColumnId

// The field named by a column identifier; none for the drag handle or unknown ones.
std::optional<CameraField> cameraFieldForColumnId(const QString& identifier);

} // namespace rure
