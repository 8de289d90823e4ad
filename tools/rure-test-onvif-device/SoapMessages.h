#pragma once

#include "DeviceOptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace rure::device {

// What the device reads from one SOAP request.
struct SoapCall {
    QString operation; // local name of the Body's first element
    QString profileToken;
    QString userName;
    QString passwordDigest;
    QString passwordType;
    QString nonce; // Base64
    QString created;
    bool hasToken = false;
};

// Reads a request; none when it is not a SOAP envelope with a body.
std::optional<SoapCall> readSoapCall(const QByteArray& body);

// The ProbeMatches answering the probe `relatesTo`, naming `serviceAddress`,
// with a comment of `padding` bytes in its body.
QByteArray probeMatches(const DeviceOptions& options, const QString& endpoint,
                        const QString& relatesTo, const QString& serviceAddress,
                        qsizetype padding = 0);
// The MessageID of a WS-Discovery Probe; none for any other datagram.
std::optional<QString> probeMessageId(const QByteArray& datagram);

// The SOAP envelope of one answer, and the fault of a refused login or of an
// unknown operation.
QByteArray soapAnswer(const DeviceOptions& options, const SoapCall& call,
                      const QString& serviceAddress, const QDateTime& deviceClock);
QByteArray notAuthorizedFault();
QByteArray actionNotSupportedFault();

} // namespace rure::device
