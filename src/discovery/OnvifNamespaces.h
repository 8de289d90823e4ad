#pragma once

#include <QString>

namespace rure::onvif {

// The XML namespaces of the messages that discovery sends and reads. Replies
// are matched by these URIs, never by the prefixes a device happens to use.
inline const QString soapEnvelopeNamespace =
    QStringLiteral("http://www.w3.org/2003/05/soap-envelope");
// WS-Addressing as WS-Discovery (2005/04) uses it.
inline const QString addressingNamespace =
    QStringLiteral("http://schemas.xmlsoap.org/ws/2004/08/addressing");
inline const QString discoveryNamespace =
    QStringLiteral("http://schemas.xmlsoap.org/ws/2005/04/discovery");
inline const QString networkNamespace = QStringLiteral("http://www.onvif.org/ver10/network/wsdl");
inline const QString deviceNamespace = QStringLiteral("http://www.onvif.org/ver10/device/wsdl");
inline const QString mediaNamespace = QStringLiteral("http://www.onvif.org/ver10/media/wsdl");
inline const QString schemaNamespace = QStringLiteral("http://www.onvif.org/ver10/schema");
inline const QString errorNamespace = QStringLiteral("http://www.onvif.org/ver10/error");
inline const QString securityNamespace = QStringLiteral(
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd");
inline const QString securityUtilityNamespace = QStringLiteral(
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd");

} // namespace rure::onvif
