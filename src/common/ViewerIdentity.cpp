#include "ViewerIdentity.h"

#include <QGuiApplication>

namespace rure {

void nameViewerApplication() {
    QGuiApplication::setOrganizationName(QStringLiteral("didirezoror"));
    QGuiApplication::setApplicationName(QStringLiteral("rure"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.didirezoror.rure"));
}

} // namespace rure
