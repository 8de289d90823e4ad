#pragma once

#include "SoapResponse.h"
#include "common/Result.h"

#include <QUrl>

namespace rure {

// The RTSP address of GetStreamUri. An address that is not rtsp:// with a host
// (in any letter case, as the editor accepts it) is a malformed reply; one
// that already carries user information has it removed, since the user's own
// credentials go there. Nothing here checks where it points.
Result<QUrl> readStreamUri(const SoapReply& reply);

} // namespace rure
