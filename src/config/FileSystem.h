#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace rure {

// Small POSIX file helpers whose errors are Error values of the file domain
// (code = errno, description = the operation and the system's text).

// The modes of what only its owner may use: the store's folder and files.
inline constexpr mode_t ownerOnlyDirectoryMode = 0700;
inline constexpr mode_t ownerOnlyFileMode = 0600;

Error fileError(int errorNumber, const QString& operation);

// True when anything (even a dangling symbolic link) exists at `path`.
bool entryExists(const QString& path);

// Which files readWholeFile() reads.
enum class ReadableFile {
    // A regular file, also when reached through symbolic links, whoever owns it:
    // a file the user chose.
    anyRegularFile,
    // Only a regular file of this user's (its owner is the effective user)
    // found at the path itself: a symbolic link there is refused, never
    // followed. For the files a program keeps for itself, which nobody else
    // should be able to put words into.
    ownRegularFile,
};

// The whole content of the regular file at `path`, which may hold at most
// `maximumSize` bytes. Never blocks on what lies at the path, and never sizes
// memory by the length that the file claims. Refuses, with an error for which
// isUnsuitableFile() holds: a directory (EISDIR), anything else that is not a
// regular file, such as a FIFO, a device or a socket (EINVAL), and a file longer
// than `maximumSize` (EFBIG). ReadableFile::ownRegularFile also refuses a
// symbolic link (ELOOP) and a file of another user (EPERM). What is read is
// decided on the opened file itself, so nothing that takes the name in
// between is read.
Result<QByteArray> readWholeFile(const QString& path, qsizetype maximumSize,
                                 ReadableFile readable = ReadableFile::anyRegularFile);

// True for readWholeFile()'s refusals of what lies at the path, as opposed to
// failures to reach or read it (a missing file, a permission problem).
bool isUnsuitableFile(const Error& error);

// Creates `path` and its missing parents. Only the directories created here get
// mode 0700 (set explicitly, so the umask cannot widen or narrow it); existing
// ones keep theirs.
Result<void> createDirectoryPath(const QString& path);

// Gives the file at `path` mode 0600.
Result<void> restrictToOwner(const QString& path);

// Clears the permission bits outside `allowedMode` (e.g. 0600) of the regular file
// or directory at `path` when it belongs to this user; bits are only ever taken
// away. A symbolic link, anything owned by someone else and anything that is
// neither a file nor a directory is left as it is.
Result<void> restrictOwnedEntry(const QString& path, mode_t allowedMode);

} // namespace rure
