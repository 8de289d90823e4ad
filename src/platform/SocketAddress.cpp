#include "SocketAddress.h"

#include <cstring>
#include <net/if.h>
#include <netinet/in.h>

namespace rure {

sockaddr_storage socketAddressOf(const QHostAddress& address, quint16 port, socklen_t& length) {
    sockaddr_storage storage{};
    length = 0;
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    if (isIPv4 && address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* inet = reinterpret_cast<sockaddr_in*>(&storage);
        inet->sin_family = AF_INET;
        inet->sin_port = htons(port);
        inet->sin_addr.s_addr = htonl(ipv4);
        length = sizeof(sockaddr_in);
    } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* inet6 = reinterpret_cast<sockaddr_in6*>(&storage);
        inet6->sin6_family = AF_INET6;
        inet6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&inet6->sin6_addr, bytes.c, sizeof bytes.c);
        const QString scope = address.scopeId();
        if (!scope.isEmpty()) {
            bool numeric = false;
            const uint index = scope.toUInt(&numeric);
            inet6->sin6_scope_id = numeric ? index : ::if_nametoindex(scope.toUtf8().constData());
        }
        length = sizeof(sockaddr_in6);
    }
    return storage;
}

} // namespace rure
