#pragma once

#include <QString>

namespace rure::test {

// The Debian package this build made (these tests exist only where it makes one).
QString debianPackageFile();

// Where the package puts the viewer's bundle and its command, relative to the root.
inline const QString packagedBundle = QStringLiteral("usr/lib/rure/Rure.app");
inline const QString packagedCommand = QStringLiteral("usr/bin/rure");

// Unpacks the package's files below `root` as dpkg would install them below
// "/"; the error text of dpkg-deb when that fails, empty on success.
QString unpackDebianPackage(const QString& root);

} // namespace rure::test
