#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

namespace rure {

// The programs an install calls, by absolute path. The product uses the
// defaults; tests put wrappers in their place.
struct InstallTools {
    // The bundle tool ("rure-bundle"): modes verify and clear-xattrs.
    QString bundleTool;
    // The SHA-256 (lower-case hex) of the bundle tool's bytes, taken when the
    // installer started. The privileged transaction runs only a copy of the tool
    // that it made itself and found to have exactly this digest: the tool's own
    // file lies where the user unpacked the installer and may be replaced later.
    QString bundleToolDigest;
    // Called as `<copy> -a SOURCE TARGET`; it must keep modes and symbolic links.
    QString copy = QStringLiteral("/bin/cp");
    // The program and its leading arguments that run `/bin/sh -c SCRIPT` with
    // administrator rights after asking the user; non-zero when refused.
    QStringList elevation = {QStringLiteral("/usr/bin/pkexec")};
    // Where the prepared copy is made; empty means QDir::tempPath().
    QString temporaryDirectory;
    // How long any one step of the install transaction may run, as the user
    // or as root. A step still running then is killed, and the transaction
    // fails and puts everything back: something the user placed in its way (a
    // FIFO where the bundle tool should be, a source that never ends) cannot
    // hold root's shell forever. Generous for a bundle of a few hundred
    // megabytes on a slow disk; tests shorten it.
    std::chrono::milliseconds stepTimeLimit = std::chrono::minutes(3);
};

} // namespace rure
