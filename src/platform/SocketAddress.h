#pragma once

#include <QHostAddress>

#include <sys/socket.h>

namespace rure {

// `address` and `port` as a socket address for connect(). `length` is 0 for an
// address that is neither IPv4 nor IPv6; an IPv6 scope given by name or number
// is kept.
sockaddr_storage socketAddressOf(const QHostAddress& address, quint16 port, socklen_t& length);

} // namespace rure
