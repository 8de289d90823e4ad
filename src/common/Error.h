#pragma once

#include <QString>

namespace rure {

// Where an error came from. Errors of the system carry their own user-facing
// texts; errors of the platform (files, JSON, the engine) pass their text on.
enum class ErrorDomain {
    cameraConfiguration, // CameraConfigurationError
    file,                // a file-system operation
    json,                // the JSON reader
    engine,              // the video engine
    network,
    installer,           // the installer ("rureInstaller", code 1)
    cameraDiscovery,     // finding cameras on the local network (DiscoveryError)
    other,
};

// One error value handed to exactly one caller. `code` distinguishes the cases
// of a domain (for example the cases of CameraConfigurationError).
struct Error {
    ErrorDomain domain = ErrorDomain::other;
    int code = 0;
    QString description;

    friend bool operator==(const Error& a, const Error& b) {
        return a.domain == b.domain && a.code == b.code && a.description == b.description;
    }
};

} // namespace rure
