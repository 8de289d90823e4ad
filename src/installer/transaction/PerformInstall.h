#pragma once

#include "InstallTools.h"
#include "StopRunningRure.h"
#include "common/Result.h"

#include <QString>

namespace rure {

// Everything one install depends on. `current()` describes the running
// installer; tests build their own.
struct InstallerEnvironment {
    // The installer bundle's resources directory, which carries "Rure.app".
    QString resourcesPath;
    QString destination = QStringLiteral("/opt/Rure.app");
    InstallTools tools;
    StopRunningRureOptions viewers;

    // Resources beside the installer's bin directory, the bundle tool next to
    // the installer's executable with the digest of its bytes as they are now,
    // pkexec for the elevated run. Taken once when the installer starts, so that
    // a tool replaced afterwards is refused by the elevated run. Needs a
    // QCoreApplication.
    static InstallerEnvironment current();
};

namespace InstallerOperations {

// The whole install: checks the payload ("The installer payload is missing."),
// stops running viewers, then installs the payload over the destination.
// Blocking; meant for the installer's worker thread, never the GUI thread.
Result<void> performInstall(const InstallerEnvironment& environment);
// With InstallerEnvironment::current() taken at this call.
Result<void> performInstall();

} // namespace InstallerOperations

} // namespace rure
