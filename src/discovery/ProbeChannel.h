#pragma once

#include "LocalNetwork.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>

#include <functional>

class QUdpSocket;

namespace rure {

// The UDP socket that probes one network in one address family: bound to the
// interface's own address (so that every unicast answer it reads was sent to
// that interface), multicasting on that interface only, one hop far. It reads
// each datagram up to DiscoveryLimits' datagramLimit and drops larger ones
// unread. GUI thread.
class ProbeChannel final : public QObject {
public:
    using DatagramHandler =
        std::function<void(const QByteArray& datagram, const QHostAddress& sender)>;

    ProbeChannel(LocalNetwork network, QHostAddress localAddress, QObject* parent = nullptr);

    // Binds the socket; false when the interface refuses it.
    bool open();
    void sendProbe(const QByteArray& message);

    const LocalNetwork& network() const { return network_; }
    // Datagrams dropped unread for their size.
    int oversizedDatagrams() const { return oversized_; }

    DatagramHandler datagramReceived;

private:
    void readDatagrams();

    LocalNetwork network_;
    QHostAddress localAddress_;
    QUdpSocket* socket_;
    int oversized_ = 0;
};

// Where WS-Discovery multicasts: 239.255.255.250 and ff02::c, port 3702.
QHostAddress discoveryGroup(QAbstractSocket::NetworkLayerProtocol protocol,
                            const LocalNetwork& network);
inline constexpr quint16 discoveryPort = 3702;

} // namespace rure
