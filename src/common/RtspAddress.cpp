#include "RtspAddress.h"

#include <QUrl>

#include <algorithm>

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

QString addressWithPasswordHidden(const QString& address) {
    const qsizetype schemeEnd = address.indexOf(QStringLiteral("://"));
    if (schemeEnd < 0) {
        return address;
    }
    const qsizetype authority = schemeEnd + 3;
    qsizetype authorityEnd = address.size();
    for (const QChar end : {u'/', u'?', u'#'}) {
        const qsizetype at = address.indexOf(end, authority);
        if (at >= 0) {
            authorityEnd = std::min(authorityEnd, at);
        }
    }
    // The password runs from the first colon of the user part to its last "@".
    const qsizetype userEnd = address.lastIndexOf(u'@', authorityEnd - 1);
    if (userEnd < authority) {
        return address;
    }
    const qsizetype colon = address.indexOf(u':', authority);
    if (colon < 0 || colon > userEnd) {
        return address;
    }
    QString shown = address;
    shown.replace(colon + 1, userEnd - colon - 1, QString(8, QChar(0x2022)));
    return shown;
}

} // namespace rure
