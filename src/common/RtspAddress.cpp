#include "RtspAddress.h"

#include <QUrl>

namespace rure {

bool isRtspAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && url.scheme().compare(QLatin1String("rtsp"), Qt::CaseInsensitive) == 0 &&
           !url.host().isEmpty();
}

std::optional<QString> playableAddress(const QString& address) {
    QString trimmed = address.trimmed();
    if (!isRtspAddress(trimmed)) {
        return std::nullopt;
    }
    return trimmed;
}

QString unplayableAddressText() {
    return QStringLiteral("This camera\u2019s address is not a full rtsp:// address, so Rure does "
                          "not play it.");
}

} // namespace rure
