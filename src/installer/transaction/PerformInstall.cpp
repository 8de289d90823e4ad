#include "PerformInstall.h"

#include "InstallApp.h"
#include "InstallerLog.h"
#include "InstallerOperations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace rure {

InstallerEnvironment InstallerEnvironment::current() {
    const QString binDirectory = QCoreApplication::applicationDirPath();
    InstallerEnvironment environment;
    environment.resourcesPath = QDir::cleanPath(binDirectory + QStringLiteral("/../Resources"));
    environment.tools.bundleTool = binDirectory + QStringLiteral("/rure-bundle");
    environment.tools.bundleToolDigest =
        InstallerOperations::sha256OfFile(environment.tools.bundleTool);
    return environment;
}

namespace InstallerOperations {

Result<void> performInstall(const InstallerEnvironment& environment) {
    const Error payloadMissing = error(QStringLiteral("The installer payload is missing."));
    if (environment.resourcesPath.isEmpty() || !QFileInfo(environment.resourcesPath).isDir()) {
        return payloadMissing;
    }
    const QString payload = environment.resourcesPath + QStringLiteral("/Rure.app");
    if (!QFileInfo::exists(payload)) {
        return payloadMissing;
    }

    InstallerLog::info(QStringLiteral("Stopping any running Rure process before replacement."));
    if (Result<void> stopped = stopRunningRure(environment.viewers); !stopped) {
        return stopped;
    }

    InstallerLog::info(QStringLiteral("Beginning transactional application replacement."));
    return installApp(payload, environment.destination, environment.tools);
}

Result<void> performInstall() {
    return performInstall(InstallerEnvironment::current());
}

} // namespace InstallerOperations

} // namespace rure
