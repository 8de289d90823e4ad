#include "RouteCheck.h"

#include "platform/SocketAddress.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QSocketNotifier>

#include <array>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
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
    socklen_t length = 0;
    const sockaddr_storage target = socketAddressOf(address, 9, length);
    if (length == 0) {
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
