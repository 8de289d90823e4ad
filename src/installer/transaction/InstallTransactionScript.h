#pragma once

#include "InstallPaths.h"
#include "InstallTools.h"

#include <QString>

namespace rure::InstallerOperations {

// The shell script that replaces `paths.destination` with `paths.source` as
// one transaction, for `/bin/sh -c`. It stages a copy beside the destination,
// clears and verifies it, and only then moves the old copy aside and renames
// the staged copy into place; on any failure before that rename its exit trap
// removes the staging copy and puts the old copy back. A failure after the
// swap leaves the new copy and the hidden backup. Every command is named by
// absolute path because the elevated run has no PATH. The text ends without a
// final line feed.
QString installTransactionScript(const InstallPaths& paths, const InstallTools& tools);

} // namespace rure::InstallerOperations
