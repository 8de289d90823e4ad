#pragma once

#include <QString>

namespace rure {

// The four locations of one install transaction, all absolute. Staging and
// backup sit in the destination's directory so that the swap is two renames.
struct InstallPaths {
    QString source;      // the prepared copy
    QString destination; // the installed application, for example "/opt/Rure.app"
    // ".Rure Install <UUID>.app" beside the destination: a folder that the
    // transaction makes for itself, holding the new copy ("Rure.app") and the
    // copy of the bundle tool that it runs.
    QString staging;
    QString backup; // ".Rure Backup <same UUID>.app" beside the destination
};

} // namespace rure
