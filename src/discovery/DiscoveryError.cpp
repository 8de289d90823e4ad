#include "DiscoveryError.h"

namespace rure {

QString describe(DiscoveryError error) {
    switch (error) {
    case DiscoveryError::noNetwork:
        return QStringLiteral("This computer has no network on which cameras can be searched for.");
    case DiscoveryError::notAuthorized:
        return QStringLiteral("The camera did not accept this user name and password.");
    case DiscoveryError::timedOut:
        return QStringLiteral("The camera stopped answering.");
    case DiscoveryError::unreachable:
        return QStringLiteral("The camera could not be reached.");
    case DiscoveryError::replyTooLarge:
        return QStringLiteral("The camera sent a reply far larger than a camera sends.");
    case DiscoveryError::malformedReply:
        return QStringLiteral("The camera sent a reply that is not a valid ONVIF answer.");
    case DiscoveryError::deviceFault:
        return QStringLiteral("The camera refused the request.");
    case DiscoveryError::addressOffNetwork:
        return QStringLiteral("The camera named an address outside this computer's local network.");
    case DiscoveryError::otherHost:
        return QStringLiteral("The camera named another device's address for its services.");
    case DiscoveryError::noStreams:
        return QStringLiteral("The camera offers no RTSP stream.");
    }
    Q_UNREACHABLE();
}

Error toError(DiscoveryError error) {
    return Error{ErrorDomain::cameraDiscovery, static_cast<int>(error) + 1, describe(error)};
}

Error toError(DiscoveryError error, const QString& detail) {
    Error result = toError(error);
    if (!detail.isEmpty()) {
        result.description += QLatin1Char(' ') + detail;
    }
    return result;
}

std::optional<DiscoveryError> discoveryErrorOf(const Error& error) {
    if (error.domain != ErrorDomain::cameraDiscovery || error.code < 1 ||
        error.code > static_cast<int>(DiscoveryError::noStreams) + 1) {
        return std::nullopt;
    }
    return static_cast<DiscoveryError>(error.code - 1);
}

} // namespace rure
