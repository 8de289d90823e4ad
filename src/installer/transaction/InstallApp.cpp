#include "InstallApp.h"

#include "InstallTransactionScript.h"
#include "InstallerOperations.h"
#include "PreparedCopy.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

namespace rure::InstallerOperations {

namespace {

const QString shell = QStringLiteral("/bin/sh");

// Absolute, so that no path reaches a program as an argument that starts with
// a dash, and so that the elevated run does not depend on its working directory.
QString absolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool verifies(const InstallTools& tools, const QString& bundle) {
    return run(tools.bundleTool, {QStringLiteral("verify"), bundle}) == 0;
}

InstallPaths transactionPaths(const QString& preparedCopy, const QString& destination) {
    const QString directory = QFileInfo(destination).absolutePath();
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return InstallPaths{
        preparedCopy,
        destination,
        directory + QStringLiteral("/.Rure Install ") + uuid + QStringLiteral(".app"),
        directory + QStringLiteral("/.Rure Backup ") + uuid + QStringLiteral(".app"),
    };
}

bool runElevated(const InstallTools& tools, const QString& script) {
    if (tools.elevation.isEmpty()) {
        return false;
    }
    QStringList arguments = tools.elevation.mid(1);
    arguments << shell << QStringLiteral("-c") << script;
    return run(tools.elevation.first(), arguments) == 0;
}

} // namespace

Result<void> installApp(const QString& source, const QString& destination,
                        const InstallTools& tools) {
    const QString sourcePath = absolute(source);
    const QString destinationPath = absolute(destination);
    if (!verifies(tools, sourcePath)) {
        return error(QStringLiteral("The Rure application in this installer is damaged."));
    }

    const QString temporaryDirectory =
        tools.temporaryDirectory.isEmpty() ? QDir::tempPath() : tools.temporaryDirectory;
    PreparedCopy prepared(absolute(temporaryDirectory));
    if (Result<void> copied = prepared.copyFrom(sourcePath); !copied) {
        return copied;
    }
    if (run(tools.bundleTool, {QStringLiteral("clear-xattrs"), prepared.path()}) != 0) {
        return error(QStringLiteral("The prepared copy of Rure could not be sanitized."));
    }
    if (!verifies(tools, prepared.path())) {
        return error(QStringLiteral("The prepared copy of Rure could not be verified."));
    }

    const QString script =
        installTransactionScript(transactionPaths(prepared.path(), destinationPath), tools);
    if (run(shell, {QStringLiteral("-c"), script}) != 0 && !runElevated(tools, script)) {
        return error(QStringLiteral("Rure could not be installed in /opt."));
    }

    if (!QFileInfo::exists(destinationPath) || !verifies(tools, destinationPath)) {
        return error(QStringLiteral("The installed copy of Rure could not be verified."));
    }
    return Result<void>::success();
}

} // namespace rure::InstallerOperations
