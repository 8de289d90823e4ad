#pragma once

#include "DeviceOptions.h"

#include <QObject>
#include <QString>

class QUdpSocket;

namespace rure::device {

// Answers WS-Discovery probes: listens on UDP port 3702 (shared, so that
// several devices run side by side), joined to 239.255.255.250 on every
// multicast interface and to ff02::c on every one with an IPv6 link-local
// address, and answers each probe to its sender in the way the options ask.
class DiscoveryResponder final : public QObject {
public:
    DiscoveryResponder(const DeviceOptions& options, QString serviceAddress,
                       QObject* parent = nullptr);

    // An error message, or empty once listening.
    QString listen();

private:
    void readProbes(QUdpSocket* socket);

    const DeviceOptions& options_;
    QString serviceAddress_;
    QString endpoint_;
    QUdpSocket* socket_;
    QUdpSocket* socket6_;
};

} // namespace rure::device
