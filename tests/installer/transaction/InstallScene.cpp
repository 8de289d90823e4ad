#include "InstallScene.h"

#include "installer/transaction/InstallApp.h"
#include "installer/transaction/InstallerOperations.h"
#include "support/BuildPlaces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace rure::test {

using InstallerOperations::shellQuoted;

QString realBundleTool() {
    return QString::fromUtf8(build::bundleTool);
}

QString signingKey() {
    return QString::fromUtf8(build::signingKey);
}

bool writeSignedBundle(const QString& path, const TestBundle& bundle) {
    return writeBundle(path, bundle) &&
           InstallerOperations::run(realBundleTool(),
                                    {QStringLiteral("sign"), path, signingKey()}) == 0;
}

bool verifiesWithRealTool(const QString& bundle) {
    return InstallerOperations::run(realBundleTool(), {QStringLiteral("verify"), bundle}) == 0;
}

InstallScene::InstallScene(const QString& rootPath)
    : root(rootPath), applications(rootPath + QStringLiteral("/opt")),
      destination(applications + QStringLiteral("/Rure.app")),
      payload(rootPath + QStringLiteral("/Installer/Resources/Rure.app")),
      temporary(rootPath + QStringLiteral("/tmp")),
      elevationRecord_(rootPath + QStringLiteral("/elevation-arguments")) {
    QDir().mkpath(applications);
    QDir().mkpath(temporary);
    tools.bundleTool = realBundleTool();
    tools.bundleToolDigest = InstallerOperations::sha256OfFile(tools.bundleTool);
    tools.temporaryDirectory = temporary;
    elevationExits(127);
}

bool InstallScene::writePayload() {
    TestBundle bundle;
    bundle.version = QString::fromLatin1(newVersion);
    return writeSignedBundle(payload, bundle);
}

bool InstallScene::writeOldCopy() {
    TestBundle bundle;
    bundle.version = QString::fromLatin1(oldVersion);
    bundle.program = "#!/bin/sh\necho old\n";
    return writeSignedBundle(destination, bundle);
}

bool InstallScene::wrapBundleTool(const QString& rule, const QString& wrapperPath) {
    const QString wrapper =
        wrapperPath.isEmpty() ? root + QStringLiteral("/tools/rure-bundle") : wrapperPath;
    const QString body = QStringLiteral("real=") + shellQuoted(realBundleTool()) +
                         QStringLiteral("\ndestination=") + shellQuoted(destination) +
                         QStringLiteral("\ncounter=") +
                         shellQuoted(root + QStringLiteral("/tool-calls")) + QLatin1Char('\n') +
                         rule + QStringLiteral("\nexec \"$real\" \"$@\"");
    tools.bundleTool = wrapper;
    if (!writeScript(wrapper, body)) {
        return false;
    }
    // As the installer does when it starts.
    tools.bundleToolDigest = InstallerOperations::sha256OfFile(wrapper);
    return !tools.bundleToolDigest.isEmpty();
}

bool InstallScene::writeElevation(const QString& body) {
    const QString program = root + QStringLiteral("/tools/elevate");
    QFile::remove(program);
    tools.elevation = {program};
    return writeScript(program, QStringLiteral("printf '%s\\n%s\\n' \"$1\" \"$2\" > ") +
                                    shellQuoted(elevationRecord_) + QLatin1Char('\n') + body);
}

bool InstallScene::elevationExits(int status) {
    return writeElevation(QStringLiteral("exit %1").arg(status));
}

bool InstallScene::elevationRuns() {
    return writeElevation(QStringLiteral("export RURE_TEST_ELEVATED=1\nexec \"$@\""));
}

QStringList InstallScene::elevationArguments() const {
    if (!QFileInfo::exists(elevationRecord_)) {
        return {};
    }
    return QString::fromUtf8(readFile(elevationRecord_))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

Result<void> InstallScene::install() const {
    return InstallerOperations::installApp(payload, destination, tools);
}

} // namespace rure::test
