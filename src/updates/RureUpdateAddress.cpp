#include "RureUpdateAddress.h"

#include <QHostAddress>

namespace rure {

QString RureUpdateAddress::makerHost() {
    return QStringLiteral("didirezoror.com");
}

QString RureUpdateAddress::manifestPath() {
    return QStringLiteral("/rure/version.json");
}

QString RureUpdateAddress::downloadPath() {
    return QStringLiteral("/rure");
}

QUrl RureUpdateAddress::manifestUrl() {
    QUrl base;
    base.setScheme(QStringLiteral("https"));
    base.setHost(makerHost());
    return manifestUrl(base);
}

QUrl RureUpdateAddress::manifestUrl(const QUrl& base) {
    if (!isAcceptedServer(base)) {
        return QUrl();
    }
    QUrl url = base;
    url.setPath(manifestPath());
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

bool RureUpdateAddress::isAcceptedServer(const QUrl& base) {
    if (!base.isValid() || base.host().isEmpty()) {
        return false;
    }
    const QString scheme = base.scheme();
    if (scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) != 0) {
        return false;
    }
    const QString host = base.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace rure
