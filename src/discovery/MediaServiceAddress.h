#pragma once

#include "SoapResponse.h"
#include "common/Result.h"

#include <QUrl>

#include <optional>

namespace rure {

// The Media service's address from GetCapabilities (category Media); none
// when the device names none. Nothing here checks where it points.
Result<std::optional<QUrl>> readMediaServiceAddress(const SoapReply& reply);

} // namespace rure
