#include "MediaServiceAddress.h"

#include "DiscoveryError.h"
#include "DiscoveryLimits.h"
#include "OnvifNamespaces.h"

namespace rure {

Result<std::optional<QUrl>> readMediaServiceAddress(const SoapReply& reply) {
    using namespace onvif;
    Result<XmlElement> response =
        readSoapResponse(reply, deviceNamespace, QStringLiteral("GetCapabilitiesResponse"));
    if (!response) {
        return response.error();
    }
    const XmlElement* capabilities =
        response.value().child(deviceNamespace, QStringLiteral("Capabilities"));
    const XmlElement* media =
        capabilities ? capabilities->child(schemaNamespace, QStringLiteral("Media")) : nullptr;
    if (!media) {
        return std::optional<QUrl>();
    }
    const QString text = media->childText(schemaNamespace, QStringLiteral("XAddr"));
    if (text.size() > discovery::addressFieldLimit) {
        return toError(DiscoveryError::malformedReply, QStringLiteral("(an address too long)"));
    }
    const QUrl address(text, QUrl::StrictMode);
    if (!address.isValid() || address.scheme() != QLatin1String("http") ||
        address.host().isEmpty()) {
        return toError(DiscoveryError::malformedReply,
                       QStringLiteral("(no valid Media service address)"));
    }
    return std::optional<QUrl>(address);
}

} // namespace rure
