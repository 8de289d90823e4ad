#include "SoapResponse.h"

#include "DiscoveryError.h"
#include "OnvifNamespaces.h"
#include "SafeXmlReader.h"
#include "SoapFault.h"

namespace rure {

Result<XmlElement> readSoapResponse(const SoapReply& reply, const QString& uri,
                                    const QString& responseName) {
    if (reply.httpStatus == 401) {
        return toError(DiscoveryError::notAuthorized);
    }
    const bool success = reply.httpStatus >= 200 && reply.httpStatus <= 299;
    Result<XmlElement> document = readXmlDocument(reply.body);
    if (!document) {
        return success ? document.error() : toError(DiscoveryError::deviceFault);
    }
    XmlElement& envelope = document.value();
    if (!envelope.is(onvif::soapEnvelopeNamespace, QStringLiteral("Envelope"))) {
        return success ? toError(DiscoveryError::malformedReply)
                       : toError(DiscoveryError::deviceFault);
    }
    if (const std::optional<SoapFault> fault = soapFaultIn(envelope)) {
        if (fault->isNotAuthorized()) {
            return toError(DiscoveryError::notAuthorized);
        }
        return toError(DiscoveryError::deviceFault,
                       fault->reason.isEmpty() ? QString()
                                               : QStringLiteral("(“%1”)").arg(fault->reason));
    }
    if (!success) {
        return toError(DiscoveryError::deviceFault);
    }
    for (XmlElement& body : envelope.children) {
        if (!body.is(onvif::soapEnvelopeNamespace, QStringLiteral("Body"))) {
            continue;
        }
        for (XmlElement& response : body.children) {
            if (response.is(uri, responseName)) {
                return std::move(response);
            }
        }
    }
    return toError(DiscoveryError::malformedReply, QStringLiteral("(no %1)").arg(responseName));
}

} // namespace rure
