#pragma once

#include <QByteArray>
#include <QString>

namespace rure {

// A fresh WS-Addressing message identifier, "urn:uuid:…".
QString newMessageId();

// The WS-Discovery Probe for ONVIF video transmitters (SOAP 1.2 over UDP),
// carrying `messageId`; the matches that answer it relate to that identifier.
QByteArray probeMessage(const QString& messageId);

} // namespace rure
