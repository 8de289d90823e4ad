#include "CameraConfigurationError.h"

namespace rure {

QString describe(CameraConfigurationError error) {
    switch (error) {
    case CameraConfigurationError::noCameras:
        return QStringLiteral("No cameras were found.");
    case CameraConfigurationError::invalidFile:
        return QStringLiteral("The selected file does not contain a supported camera list.");
    }
    return {};
}

Error toError(CameraConfigurationError error) {
    return Error{ErrorDomain::cameraConfiguration, static_cast<int>(error), describe(error)};
}

} // namespace rure
