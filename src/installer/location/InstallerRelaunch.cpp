#include "InstallerRelaunch.h"

#include "HelperScripts.h"
#include "UserTrash.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace rure::InstallerOperations {

bool openRureAfterInstallerExits(const QString& applicationPath) {
    return openRureAfterProcessExits(applicationPath, QCoreApplication::applicationPid());
}

bool openRureAfterProcessExits(const QString& applicationPath, qint64 parentProcess) {
    // The data folder is resolved here, by the same rules as the Trash's, so
    // that the helper does not depend on what its environment holds.
    return startHelper(openHelperArguments(
        parentProcess, QFileInfo(applicationPath).absoluteFilePath(), userDataHome()));
}

} // namespace rure::InstallerOperations
