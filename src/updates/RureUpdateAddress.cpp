#include "RureUpdateAddress.h"

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
    if (!base.isValid() || base.host().isEmpty()) {
        return QUrl();
    }
    QUrl url = base;
    url.setPath(manifestPath());
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

} // namespace rure
