#include "LocalNetwork.h"

#include <QNetworkInterface>
#include <QUrl>

#include <algorithm>

namespace rure {

namespace {

bool isLinkLocal(const QHostAddress& address) {
    return address.protocol() == QAbstractSocket::IPv6Protocol && address.isLinkLocal();
}

} // namespace

bool LocalNetwork::contains(const QHostAddress& candidate) const {
    QHostAddress address = candidate;
    bool isIPv4 = false;
    const quint32 ipv4Value = address.toIPv4Address(&isIPv4);
    if (isIPv4) {
        address = QHostAddress(ipv4Value); // an IPv4-mapped IPv6 address counts as IPv4
        for (const QNetworkAddressEntry& entry : ipv4) {
            if (address.isInSubnet(entry.ip(), entry.prefixLength())) {
                return true;
            }
        }
        return false;
    }
    if (isLinkLocal(address)) {
        const QString scope = address.scopeId();
        const bool sameScope =
            scope.isEmpty() || scope == interfaceName || scope == QString::number(interfaceIndex);
        if (sameScope) {
            for (const QNetworkAddressEntry& entry : ipv6) {
                if (isLinkLocal(entry.ip())) {
                    return true;
                }
            }
        }
        return false;
    }
    QHostAddress unscoped = address;
    unscoped.setScopeId(QString());
    for (const QNetworkAddressEntry& entry : ipv6) {
        QHostAddress network = entry.ip();
        network.setScopeId(QString());
        if (unscoped.isInSubnet(network, entry.prefixLength())) {
            return true;
        }
    }
    return false;
}

QList<LocalNetwork> searchableNetworks() {
    QList<LocalNetwork> networks;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const QNetworkInterface::InterfaceFlags flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            !flags.testFlag(QNetworkInterface::CanMulticast)) {
            continue;
        }
        LocalNetwork network;
        network.interfaceName = interface.name();
        network.interfaceIndex = interface.index();
        network.isLoopback = flags.testFlag(QNetworkInterface::IsLoopBack);
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol) {
                network.ipv4.append(entry);
            } else if (ip.protocol() == QAbstractSocket::IPv6Protocol &&
                       (ip.isLinkLocal() || (network.isLoopback && ip.isLoopback()))) {
                network.ipv6.append(entry);
            }
        }
        const bool hasLinkLocal =
            std::any_of(network.ipv6.cbegin(), network.ipv6.cend(),
                        [](const QNetworkAddressEntry& entry) { return isLinkLocal(entry.ip()); });
        if (!network.ipv4.isEmpty() || hasLinkLocal) {
            networks.append(std::move(network));
        }
    }
    return networks;
}

std::optional<QHostAddress> hostAddressOf(const QUrl& url) {
    QHostAddress address;
    if (!address.setAddress(url.host())) {
        return std::nullopt;
    }
    return address;
}

} // namespace rure
