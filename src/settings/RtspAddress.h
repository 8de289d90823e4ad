#pragma once

#include <QString>

namespace rure {

// True when `address` parses strictly as a URI whose scheme is "rtsp" in any
// letter case and which names a host. The address is taken as given: callers trim.
bool isRtspAddress(const QString& address);

} // namespace rure
