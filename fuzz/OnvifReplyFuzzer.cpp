// What ONVIF devices send back, as a hostile device might send it: the probe
// matches of WS-Discovery and the SOAP replies of the device and Media
// services, under a success status and under a fault status. Whatever is
// accepted keeps within the limits the rest of the search relies on.
#include "FuzzInput.h"

#include "discovery/DeviceInformation.h"
#include "discovery/DiscoveryLimits.h"
#include "discovery/MediaProfiles.h"
#include "discovery/MediaServiceAddress.h"
#include "discovery/ProbeMatch.h"
#include "discovery/StreamUri.h"
#include "discovery/SystemDateAndTime.h"

namespace {

const QString probeId = QStringLiteral("urn:uuid:0d9d9bd4-54a6-4b39-a3e8-7a1ef6d7d3a7");

void checkMatches(const QByteArray& bytes) {
    using rure::fuzz::require;
    const rure::Result<QList<rure::ProbeMatch>> matches = rure::parseProbeMatches(bytes, probeId);
    if (!matches) {
        return;
    }
    require(bytes.size() <= rure::discovery::datagramLimit, "a match fits in a datagram");
    for (const rure::ProbeMatch& match : matches.value()) {
        require(!match.endpoint.isEmpty(), "a match names its endpoint");
        require(match.endpoint.size() <= rure::discovery::textFieldLimit, "an endpoint is short");
        require(!match.serviceAddresses.isEmpty() &&
                    match.serviceAddresses.size() <= rure::discovery::serviceAddressLimit,
                "a match has one to eight service addresses");
        for (const QUrl& address : match.serviceAddresses) {
            require(address.scheme() == QLatin1String("http") && !address.host().isEmpty(),
                    "a service address is HTTP with a host");
        }
        require(match.name.size() <= rure::discovery::textFieldLimit &&
                    match.hardware.size() <= rure::discovery::textFieldLimit,
                "scopes are short");
    }
}

void checkReplies(const rure::SoapReply& reply) {
    using rure::fuzz::require;
    if (const auto information = rure::readDeviceInformation(reply)) {
        require(information.value().model.size() <= rure::discovery::textFieldLimit,
                "a model is short");
    }
    if (const auto profiles = rure::readMediaProfiles(reply)) {
        require(profiles.value().size() <= rure::discovery::profileLimit, "profiles are few");
        for (const rure::MediaProfile& profile : profiles.value()) {
            require(!profile.token.isEmpty() && !profile.name.isEmpty(),
                    "a profile has a token and a name");
            require(profile.width >= 0 && profile.height >= 0, "sizes are not negative");
        }
    }
    if (const auto stream = rure::readStreamUri(reply)) {
        const QUrl& address = stream.value();
        require(address.scheme().compare(QLatin1String("rtsp"), Qt::CaseInsensitive) == 0 &&
                    !address.host().isEmpty(),
                "a stream address is RTSP with a host");
        require(address.userInfo().isEmpty(), "a stream address carries no user information");
    }
    if (const auto media = rure::readMediaServiceAddress(reply); media && media.value()) {
        require(media.value()->scheme() == QLatin1String("http"), "a Media address is HTTP");
    }
    if (const auto clock = rure::readSystemDateAndTime(reply); clock && clock.value()) {
        require(clock.value()->isValid(), "a device clock is a valid time");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = rure::fuzz::bytes(data, size);
    checkMatches(bytes);
    checkReplies(rure::SoapReply{200, bytes});
    checkReplies(rure::SoapReply{400, bytes});
    return 0;
}
