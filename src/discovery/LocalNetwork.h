#pragma once

#include <QHostAddress>
#include <QList>
#include <QNetworkAddressEntry>
#include <QString>

#include <optional>

class QUrl;

namespace rure {

// One interface that discovery probes on, with the networks it is directly
// attached to. An address that a device names is used only when it lies on
// the network of the interface that heard the device.
struct LocalNetwork {
    QString interfaceName;
    int interfaceIndex = 0;
    bool isLoopback = false;
    QList<QNetworkAddressEntry> ipv4;
    // Link-local addresses; the loopback interface's ::1.
    QList<QNetworkAddressEntry> ipv6;

    // True when `address` is on one of this interface's networks: in the subnet
    // of one of its IPv4 addresses, or an IPv6 link-local address (of this
    // interface's scope when it names one), or in the subnet of one of its IPv6
    // addresses. The loopback interface's network is 127.0.0.0/8 and ::1.
    bool contains(const QHostAddress& address) const;
};

// Every interface that is up and running, can multicast and has an IPv4
// address or an IPv6 link-local one, in the system's order.
QList<LocalNetwork> searchableNetworks();

// The host of `url` as an address; none when it is a name, not an address.
std::optional<QHostAddress> hostAddressOf(const QUrl& url);

} // namespace rure
