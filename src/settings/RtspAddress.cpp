#include "RtspAddress.h"

#include <QUrl>

namespace rure {

bool isRtspAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && url.scheme().compare(QLatin1String("rtsp"), Qt::CaseInsensitive) == 0 &&
           !url.host().isEmpty();
}

} // namespace rure
