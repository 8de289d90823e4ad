#pragma once

#include "SoapEnvelope.h"

#include <QString>

namespace rure::onvif {

// The few requests discovery makes. The first two need no login on any
// conforming device; the others may.
SoapRequest getSystemDateAndTime();
SoapRequest getCapabilities(); // of the Media service
SoapRequest getDeviceInformation();
SoapRequest getProfiles();
// RTP over RTSP (interleaved in the RTSP connection, over TCP), unicast.
SoapRequest getStreamUri(const QString& profileToken);

} // namespace rure::onvif
