#pragma once

#include <QString>

#include <functional>

// Moving the installer's bundle to the user's Trash.
namespace rure::InstallerOperations {

// The desktop's recycle command, run as "<program> trash -- <path>".
inline constexpr char recycleProgram[] = "/usr/bin/gio";

// Moves `path` to the user's Trash without blocking: the desktop's recycle
// command first, Qt's own Trash support when that fails or leaves the item in
// place. `completion` runs exactly once, later, on the application's thread,
// with true only when nothing is left at `path` (without a QCoreApplication,
// Qt's Trash support is tried at once, before the call returns).
void moveToTrash(const QString& path, std::function<void(bool)> completion);

// The same with another recycle program (tests substitute failing ones); a
// program that does not exist skips straight to Qt's Trash support.
void moveToTrashUsing(const QString& recycleProgramPath, const QString& path,
                      std::function<void(bool)> completion);

// Starts the Trash helper, which moves `path` into Trash/files as
// "Rizezad Aduz <UUID>.app" once this process has exited. False, with nothing
// started, when the Trash cannot be used or the helper does not start.
bool moveToTrashAfterExit(const QString& path);

// The same, waiting for the process `parentProcess` instead of this one.
bool moveToTrashAfterProcessExits(const QString& path, qint64 parentProcess);

} // namespace rure::InstallerOperations
