#include "DiscoveredDevice.h"

#include <QRegularExpression>
#include <QStringList>

namespace rure {

QString DiscoveredDevice::displayName() const {
    if (!name.isEmpty()) {
        return name;
    }
    const QString product = QStringList{manufacturer, model}
                                .filter(QRegularExpression(QStringLiteral("\\S")))
                                .join(QLatin1Char(' '));
    return product.isEmpty() ? host() : product;
}

} // namespace rure
