#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QString>

namespace rure {

// Small POSIX file helpers whose errors are Error values of the file domain
// (code = errno, description = the operation and the system's text).

Error fileError(int errorNumber, const QString& operation);

// True when anything (even a dangling symbolic link) exists at `path`.
bool entryExists(const QString& path);

// The whole content of the regular file at `path`.
Result<QByteArray> readWholeFile(const QString& path);

// Creates `path` and its missing parents. Only the directories created here get
// mode 0700 (set explicitly, so the umask cannot widen or narrow it); existing
// ones keep theirs.
Result<void> createDirectoryPath(const QString& path);

// Gives the file at `path` mode 0600.
Result<void> restrictToOwner(const QString& path);

} // namespace rure
