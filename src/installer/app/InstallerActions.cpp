#include "InstallerActions.h"

#include <QDir>

namespace rure {

QString runningInstallerBundlePath() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../.."));
}

} // namespace rure
