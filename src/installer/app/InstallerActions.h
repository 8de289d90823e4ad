#pragma once

#include "common/Result.h"

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <optional>

namespace rure {

// Everything the installer window does to the system, as replaceable functions:
// the product wires the real operations (productionInstallerActions()), tests
// script each outcome.
struct InstallerActions {
    // Blocking; runs on the installer's worker thread, never on the GUI thread.
    std::function<Result<void>()> performInstall;
    // The installer bundle to move to the Trash, given the running one's location.
    std::function<std::optional<QString>(const QString& bundlePath)> originalInstallerURL;
    // Calls `completion` exactly once, on the GUI thread, with true when the item is gone.
    std::function<void(const QString& path, std::function<void(bool)> completion)> moveToTrash;
    // True when the helper that moves `path` once the installer has exited was started.
    std::function<bool(const QString& path)> moveToTrashAfterExit;
    // True when the helper that opens the viewer once the installer has exited was started.
    std::function<bool(const QString& applicationPath)> openRureAfterInstallerExits;
    std::function<void()> terminate = [] { QCoreApplication::quit(); };

    // The running installer's own bundle ("…/Rizezad Aduz.app").
    QString installerBundlePath;
    QString installedApplicationPath = QStringLiteral("/opt/Rure.app");
};

// The bundle the running installer executable lies in: its directory's
// grandparent (the executable is "<bundle>/Contents/bin/rizezad-aduz").
QString runningInstallerBundlePath();

} // namespace rure
