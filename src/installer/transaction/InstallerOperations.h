#pragma once

#include "common/Error.h"

#include <QString>
#include <QStringList>

namespace rure::InstallerOperations {

// An installer error (domain installer, code 1) whose description is the
// user-facing message.
Error error(const QString& message);

// Starts `executable` with exactly `arguments` (no shell unless `executable`
// is one), standard output and standard error on the null device, environment
// and standard input inherited, and waits for it. Returns the exit status,
// -1 when the program cannot start, and a value above 128 when a signal ended
// it. Blocking; meant for a worker thread.
int run(const QString& executable, const QStringList& arguments);

// The SHA-256 of the file at `path` in lower-case hex; empty when it cannot be
// read.
QString sha256OfFile(const QString& path);

// `text` as one word of a POSIX shell: in single quotes, each single quote
// written as '\''.
QString shellQuoted(const QString& text);

} // namespace rure::InstallerOperations
