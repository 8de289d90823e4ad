#pragma once

#include <QString>

// Opening the installed viewer once the installer has quit.
namespace rure::InstallerOperations {

// Starts the open helper: once this process has exited it registers the
// viewer's desktop entry and icon in the user's data folder and starts
// <applicationPath>/Contents/bin/rure, trying for about 10 seconds. True when
// the helper was started; it reports nothing back.
bool openRureAfterInstallerExits(const QString& applicationPath);

// The same, waiting for the process `parentProcess` instead of this one.
bool openRureAfterProcessExits(const QString& applicationPath, qint64 parentProcess);

} // namespace rure::InstallerOperations
