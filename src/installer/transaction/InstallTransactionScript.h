#pragma once

#include "InstallPaths.h"
#include "InstallTools.h"

#include <QString>

namespace rure::InstallerOperations {

// The shell script that replaces `paths.destination` with `paths.source` as
// one transaction, for `/bin/sh -c`, run first as the user and then, when that
// fails, as root. Its result is the new, verified copy with nothing beside it,
// or, on any failure, the destination as it was, also with nothing beside it.
//
// Nothing the user can write is run or trusted once the script runs as root.
// It makes the staging folder itself, beside the destination and open to no one
// else (mode 700), and works only inside it: it copies the bundle tool there
// and runs that copy only when its SHA-256 is `tools.bundleToolDigest`; it
// copies the prepared bundle there, makes it root's (when root runs it) with no
// group or other write and no set-ID bits, links left as they are, and clears
// and verifies it there. Only then does it move the old copy aside and rename
// the new one into place, and verify it once more. When that check fails, or
// anything before it, the exit trap takes the new copy out and renames the old
// one back. Success removes the backup. Staging and backup folders that earlier,
// interrupted runs left beside the destination are removed first.
//
// Every step runs under /usr/bin/timeout with `tools.stepTimeLimit`: a step
// still running then is killed, which fails the script like any failed step,
// and the exit trap puts everything back. Only the renames of the swap and of
// the rollback run without it: each is one system call within one folder, and
// a rename cut short could leave the old copy aside.
//
// Every command is named by absolute path because the elevated run has no
// PATH. The text ends without a final line feed.
QString installTransactionScript(const InstallPaths& paths, const InstallTools& tools);

} // namespace rure::InstallerOperations
