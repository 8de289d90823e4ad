#include "StreamUri.h"

#include "DiscoveryError.h"
#include "DiscoveryLimits.h"
#include "OnvifNamespaces.h"

namespace rure {

Result<QUrl> readStreamUri(const SoapReply& reply) {
    using namespace onvif;
    Result<XmlElement> response =
        readSoapResponse(reply, mediaNamespace, QStringLiteral("GetStreamUriResponse"));
    if (!response) {
        return response.error();
    }
    const XmlElement* mediaUri = response.value().child(mediaNamespace, QStringLiteral("MediaUri"));
    const QString text =
        mediaUri ? mediaUri->childText(schemaNamespace, QStringLiteral("Uri")) : QString();
    if (text.size() > discovery::addressFieldLimit) {
        return toError(DiscoveryError::malformedReply, QStringLiteral("(an address too long)"));
    }
    QUrl address(text, QUrl::StrictMode);
    if (!address.isValid() ||
        address.scheme().compare(QLatin1String("rtsp"), Qt::CaseInsensitive) != 0 ||
        address.host().isEmpty()) {
        return toError(DiscoveryError::malformedReply, QStringLiteral("(no RTSP address)"));
    }
    address.setUserInfo(QString());
    return address;
}

} // namespace rure
