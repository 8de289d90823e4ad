#include "ProbeChannel.h"

#include "DiscoveryLimits.h"

#include <QNetworkInterface>
#include <QUdpSocket>

namespace rure {

QHostAddress discoveryGroup(QAbstractSocket::NetworkLayerProtocol protocol,
                            const LocalNetwork& network) {
    if (protocol == QAbstractSocket::IPv6Protocol) {
        QHostAddress group(QStringLiteral("ff02::c"));
        group.setScopeId(network.interfaceName);
        return group;
    }
    return QHostAddress(QStringLiteral("239.255.255.250"));
}

ProbeChannel::ProbeChannel(LocalNetwork network, QHostAddress localAddress, QObject* parent)
    : QObject(parent), network_(std::move(network)), localAddress_(std::move(localAddress)),
      socket_(new QUdpSocket(this)) {
    connect(socket_, &QUdpSocket::readyRead, this, &ProbeChannel::readDatagrams);
}

bool ProbeChannel::open() {
    if (!socket_->bind(localAddress_, 0)) {
        return false;
    }
    socket_->setMulticastInterface(QNetworkInterface::interfaceFromIndex(network_.interfaceIndex));
    // Probes stay on the network they are sent to.
    socket_->setSocketOption(QAbstractSocket::MulticastTtlOption, 1);
    // A device on this very computer hears them too.
    socket_->setSocketOption(QAbstractSocket::MulticastLoopbackOption, 1);
    return true;
}

void ProbeChannel::sendProbe(const QByteArray& message) {
    socket_->writeDatagram(message, discoveryGroup(localAddress_.protocol(), network_),
                           discoveryPort);
}

void ProbeChannel::readDatagrams() {
    while (socket_->hasPendingDatagrams()) {
        const qint64 size = socket_->pendingDatagramSize();
        if (size < 0 || size > discovery::datagramLimit) {
            char discarded = 0;
            socket_->readDatagram(&discarded, 1);
            ++oversized_;
            continue;
        }
        QByteArray datagram(static_cast<qsizetype>(size), Qt::Uninitialized);
        QHostAddress sender;
        const qint64 read = socket_->readDatagram(datagram.data(), size, &sender);
        if (read < 0) {
            continue;
        }
        datagram.truncate(static_cast<qsizetype>(read));
        // The socket is bound to this interface: a link-local sender is on its
        // link, whatever interface the kernel noted for a sender on this host.
        if (sender.protocol() == QAbstractSocket::IPv6Protocol && sender.isLinkLocal()) {
            sender.setScopeId(network_.interfaceName);
        }
        if (datagramReceived) {
            datagramReceived(datagram, sender);
        }
    }
}

} // namespace rure
