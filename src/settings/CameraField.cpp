#include "CameraField.h"

namespace rure {

std::optional<CameraField> cameraFieldForColumnId(const QString& identifier) {
    if (identifier == cameraColumnId::name) {
        return CameraField::name;
    }
    if (identifier == cameraColumnId::address) {
        return CameraField::address;
    }
    return std::nullopt;
}

} // namespace rure
