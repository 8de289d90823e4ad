#include "SoapEnvelope.h"

#include "OnvifNamespaces.h"

namespace rure {

QByteArray soapEnvelope(const SoapRequest& request, const QString& securityHeader) {
    const QString header = securityHeader.isEmpty()
                               ? QString()
                               : QStringLiteral("<s:Header>%1</s:Header>").arg(securityHeader);
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                          "<s:Envelope xmlns:s=\"%1\">%2<s:Body>%3</s:Body></s:Envelope>")
        .arg(onvif::soapEnvelopeNamespace, header, request.body)
        .toUtf8();
}

} // namespace rure
