#pragma once

#include <QString>

#include <optional>

namespace rure {

struct LocalNetworkPreflightTarget {
    QString host;
    quint16 port = 554;

    friend bool operator==(const LocalNetworkPreflightTarget&,
                           const LocalNetworkPreflightTarget&) = default;
};

// Host and port of a camera address (554 when it names none). Nothing when the
// address does not parse, has no host or names a port outside 0 ... 65535.
std::optional<LocalNetworkPreflightTarget> localNetworkPreflightTarget(const QString& address);

} // namespace rure
