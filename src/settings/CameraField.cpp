#include "CameraField.h"

namespace rure {

std::optional<CameraField> cameraFieldForColumnId(const QString& identifier) {
    if (identifier == cameraColumnId::name) {
        return CameraField::name;
    }
    if (identifier == cameraColumnId::address) {
        return CameraField::address;
    }
    if (identifier == cameraColumnId::subStream) {
        return CameraField::subStream;
    }
    return std::nullopt;
}

} // namespace rure
