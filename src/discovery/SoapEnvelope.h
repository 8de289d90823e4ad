#pragma once

#include <QByteArray>
#include <QString>

namespace rure {

// A SOAP 1.2 request to an ONVIF service: its action URI and the XML of its
// Body's content (which declares its own namespaces).
struct SoapRequest {
    QString action;
    QString body;
};

// The whole envelope of `request`, with `securityHeader` (a WS-Security
// header, or nothing) in its Header.
QByteArray soapEnvelope(const SoapRequest& request, const QString& securityHeader = {});

} // namespace rure
