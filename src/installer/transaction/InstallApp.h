#pragma once

#include "InstallTools.h"
#include "common/Result.h"

#include <QString>

namespace rure::InstallerOperations {

// Installs the bundle at `source` as `destination`. Verifies the source, makes
// a prepared copy "Rure Prepared <UUID>.app" in the temporary directory (always
// removed before returning), clears and verifies that, then runs the install
// transaction script unprivileged; when that fails for any reason, runs the same
// script once more through `tools.elevation`. Each run either puts the new,
// verified copy in place or leaves the destination as it was, and leaves no
// staging or backup folder beside it, also when one of its steps is killed at
// `tools.stepTimeLimit` (see installTransactionScript). Finally checks the
// destination.
// Errors: "The Rure application in this installer is damaged.", a file error
// from the copy, "The prepared copy of Rure could not be sanitized.", "The
// prepared copy of Rure could not be verified.", "Rure could not be installed in
// /opt.", "The installed copy of Rure could not be verified.".
// Blocking; meant for a worker thread.
Result<void> installApp(const QString& source, const QString& destination,
                        const InstallTools& tools);

} // namespace rure::InstallerOperations
