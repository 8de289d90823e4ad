#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <variant>

namespace rure::device {

// How the device answers probes.
enum class DiscoveryReply {
    normal,
    garbage,    // bytes that are not XML
    oversized,  // a valid match, padded far beyond what a camera sends
    silent,     // no answer
    offNetwork, // a valid match naming a service address outside the local network
};

// How the device answers SOAP requests.
enum class SoapReplyMode {
    normal,
    garbage,   // HTTP 200 with bytes that are not XML
    oversized, // HTTP 200 with a body of several megabytes
    silent,    // reads the request and never answers
};

struct DeviceOptions {
    QHostAddress address = QHostAddress::LocalHost; // where the SOAP service listens
    quint16 httpPort = 0;                           // 0 = any free port
    QString name = QStringLiteral("Rure Test Device");
    QString manufacturer = QStringLiteral("Rure");
    QString model = QStringLiteral("Test Device");
    QUrl stream;                     // the main profile's RTSP address
    QUrl secondStream;               // the second profile's; empty = one profile only
    bool secondProfileFirst = false; // listed before the main profile, as some cameras do
    QString user;                    // empty = no login
    QString password;
    int unauthorizedStatus = 400; // 400 with a SOAP fault, or 401
    qint64 clockOffsetSeconds = 0;
    DiscoveryReply discoveryReply = DiscoveryReply::normal;
    SoapReplyMode soapReply = SoapReplyMode::normal;
};

struct OptionsError {
    QString message;
};

std::variant<DeviceOptions, OptionsError> parseDeviceOptions(const QStringList& arguments);

} // namespace rure::device
