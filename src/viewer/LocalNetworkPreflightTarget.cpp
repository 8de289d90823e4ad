#include "LocalNetworkPreflightTarget.h"

#include <QUrl>

namespace rure {

std::optional<LocalNetworkPreflightTarget> localNetworkPreflightTarget(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        return std::nullopt;
    }
    constexpr int defaultRtspPort = 554;
    const int port = url.port(defaultRtspPort);
    if (port < 0 || port > 65535) {
        return std::nullopt;
    }
    return LocalNetworkPreflightTarget{url.host(), static_cast<quint16>(port)};
}

} // namespace rure
