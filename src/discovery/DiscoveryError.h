#pragma once

#include "common/Error.h"

#include <QString>

#include <optional>

namespace rure {

// The failures of finding a camera and reading its stream addresses, each with
// the text the user reads.
enum class DiscoveryError {
    noNetwork,         // no interface to search on
    notAuthorized,     // a SOAP fault saying so, or HTTP 401
    timedOut,          // an exchange passed its time limit
    unreachable,       // the connection failed
    replyTooLarge,     // a body beyond the limit
    malformedReply,    // not the XML ONVIF describes
    deviceFault,       // any other SOAP fault
    addressOffNetwork, // a reply named an address outside the local network
    otherHost,         // a reply sent the client to another host
    noStreams,         // no profile with an RTSP address
};

QString describe(DiscoveryError error);

// An Error of domain cameraDiscovery with the case in `code`.
Error toError(DiscoveryError error);
// The same with a text of the device's own appended (a fault's reason).
Error toError(DiscoveryError error, const QString& detail);

// The case that `error` carries, if it is one of these.
std::optional<DiscoveryError> discoveryErrorOf(const Error& error);

} // namespace rure
