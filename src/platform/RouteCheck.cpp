#include "RouteCheck.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QSocketNotifier>

#include <array>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace rure {

bool hasRouteTo(const QString& host) {
    QString literal = host;
    if (literal.startsWith(u'[') && literal.endsWith(u']')) {
        literal = literal.mid(1, literal.size() - 2);
    }
    const QHostAddress address(literal);
    if (address.isNull()) {
        return false;
    }
    sockaddr_storage target{};
    socklen_t length = 0;
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    if (isIPv4 && address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* inet = reinterpret_cast<sockaddr_in*>(&target);
        inet->sin_family = AF_INET;
        inet->sin_port = htons(9);
        inet->sin_addr.s_addr = htonl(ipv4);
        length = sizeof(sockaddr_in);
    } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* inet6 = reinterpret_cast<sockaddr_in6*>(&target);
        inet6->sin6_family = AF_INET6;
        inet6->sin6_port = htons(9);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&inet6->sin6_addr, bytes.c, sizeof bytes.c);
        inet6->sin6_scope_id = address.scopeId().toUInt();
        length = sizeof(sockaddr_in6);
    } else {
        return false;
    }
    // Connecting a datagram socket only picks a route and a source address.
    const FileDescriptor socket(::socket(target.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    return socket.valid() &&
           ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&target), length) == 0;
}

RouteChangeWatch::RouteChangeWatch(std::function<void()> changed, QObject* parent)
    : QObject(parent), changed_(std::move(changed)) {}

RouteChangeWatch::~RouteChangeWatch() = default;

bool RouteChangeWatch::start() {
    FileDescriptor socket(
        ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (!socket.valid()) {
        return false;
    }
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE |
                      RTMGRP_IPV6_ROUTE;
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        return false;
    }
    socket_ = std::move(socket);
    notifier_ = std::make_unique<QSocketNotifier>(socket_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { drain(); });
    return true;
}

void RouteChangeWatch::drain() {
    // The messages' contents do not matter: any of them is a reason to look again.
    std::array<char, 8192> buffer{};
    while (::recv(socket_.get(), buffer.data(), buffer.size(), MSG_DONTWAIT) > 0) {
    }
    if (reportPosted_) {
        return;
    }
    reportPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            reportPosted_ = false;
            if (changed_) {
                changed_();
            }
        },
        Qt::QueuedConnection);
}

} // namespace rure
