#include "ProductionInstallerActions.h"

#include "installer/location/InstallerRelaunch.h"
#include "installer/location/InstallerSearch.h"
#include "installer/location/InstallerTrash.h"
#include "installer/transaction/PerformInstall.h"

namespace rure {

InstallerActions productionInstallerActions() {
    InstallerActions actions;
    // Taken now, at start-up: the digest of the bundle tool that the elevated
    // transaction will insist on.
    actions.performInstall = [environment = InstallerEnvironment::current()] {
        return InstallerOperations::performInstall(environment);
    };
    actions.originalInstallerURL = [](const QString& bundlePath) {
        return InstallerOperations::originalInstallerURL(bundlePath);
    };
    actions.moveToTrash = [](const QString& path, std::function<void(bool)> completion) {
        InstallerOperations::moveToTrash(path, std::move(completion));
    };
    actions.moveToTrashAfterExit = [](const QString& path) {
        return InstallerOperations::moveToTrashAfterExit(path);
    };
    actions.openRureAfterInstallerExits = [](const QString& applicationPath) {
        return InstallerOperations::openRureAfterInstallerExits(applicationPath);
    };
    actions.installerBundlePath = runningInstallerBundlePath();
    return actions;
}

} // namespace rure
