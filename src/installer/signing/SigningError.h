#pragma once

#include "common/Error.h"

#include <string>
#include <system_error>

namespace rure {

// The error value of the bundle signing code: domain installer, code 1, with
// the message as its description. Messages are UTF-8; paths in them are
// already escaped (BundleManifest::escaped), so they never carry control bytes.
inline Error signingError(const std::string& message) {
    return Error{ErrorDomain::installer, 1, QString::fromStdString(message)};
}

// The system's text for an errno value, for those messages.
inline std::string errnoText(int error) {
    return std::generic_category().message(error);
}

} // namespace rure
