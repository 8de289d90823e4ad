#include "DiscoveryResponder.h"

#include "SoapMessages.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <cstdio>

namespace rure::device {

namespace {

const QHostAddress group(QStringLiteral("239.255.255.250"));
const QHostAddress group6(QStringLiteral("ff02::c"));
constexpr quint16 discoveryPort = 3702;

// Not XML at all: a spread of every byte value.
QByteArray garbage() {
    QByteArray bytes;
    for (int i = 0; i < 700; ++i) {
        bytes.append(static_cast<char>((i * 37 + 11) % 256));
    }
    return bytes;
}

} // namespace

DiscoveryResponder::DiscoveryResponder(const DeviceOptions& options, QString serviceAddress,
                                       QObject* parent)
    : QObject(parent), options_(options), serviceAddress_(std::move(serviceAddress)),
      endpoint_(QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      socket_(new QUdpSocket(this)), socket6_(new QUdpSocket(this)) {
    connect(socket_, &QUdpSocket::readyRead, this, [this] { readProbes(socket_); });
    connect(socket6_, &QUdpSocket::readyRead, this, [this] { readProbes(socket6_); });
}

QString DiscoveryResponder::listen() {
    if (!socket_->bind(QHostAddress::AnyIPv4, discoveryPort,
                       QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        return QStringLiteral("cannot listen on UDP port 3702: ") + socket_->errorString();
    }
    int joined = 0;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) &&
            flags.testFlag(QNetworkInterface::CanMulticast) &&
            socket_->joinMulticastGroup(group, interface)) {
            ++joined;
        }
    }
    if (joined == 0) {
        return QStringLiteral("no interface could join 239.255.255.250 (is multicast on?)");
    }
    // IPv6 where an interface has a link-local address; none is no error.
    if (socket6_->bind(QHostAddress::AnyIPv6, discoveryPort,
                       QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
            const bool linkLocal =
                std::any_of(interface.addressEntries().cbegin(), interface.addressEntries().cend(),
                            [](const QNetworkAddressEntry& entry) {
                                return entry.ip().protocol() == QAbstractSocket::IPv6Protocol &&
                                       entry.ip().isLinkLocal();
                            });
            if (linkLocal && interface.flags().testFlag(QNetworkInterface::IsUp) &&
                interface.flags().testFlag(QNetworkInterface::CanMulticast)) {
                socket6_->joinMulticastGroup(group6, interface);
            }
        }
    }
    return {};
}

void DiscoveryResponder::readProbes(QUdpSocket* socket) {
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram(65536);
        const std::optional<QString> messageId = probeMessageId(datagram.data());
        if (!messageId) {
            continue;
        }
        std::printf("probe\n");
        std::fflush(stdout);
        QByteArray answer;
        switch (options_.discoveryReply) {
        case DiscoveryReply::normal:
            answer = probeMatches(options_, endpoint_, *messageId, serviceAddress_);
            break;
        case DiscoveryReply::garbage:
            answer = garbage();
            break;
        case DiscoveryReply::oversized:
            answer = probeMatches(options_, endpoint_, *messageId, serviceAddress_, 40000);
            break;
        case DiscoveryReply::silent:
            break;
        case DiscoveryReply::offNetwork: {
            // TEST-NET-1: on no network of this machine.
            QUrl elsewhere(serviceAddress_);
            elsewhere.setHost(QStringLiteral("192.0.2.44"));
            answer = probeMatches(options_, endpoint_, *messageId, elsewhere.toString());
            break;
        }
        }
        if (!answer.isEmpty()) {
            socket->writeDatagram(answer, datagram.senderAddress(),
                                  static_cast<quint16>(datagram.senderPort()));
        }
    }
}

} // namespace rure::device
