#include "SigningTestSupport.h"

#include "support/BuildPlaces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

const QString bundlesDirectory = QString::fromUtf8(build::bundlesDirectory);
const QString viewerBundle = bundlesDirectory + QStringLiteral("/Rure.app");
const QString installerBundle = bundlesDirectory + QStringLiteral("/Rizezad Aduz.app");

QJsonObject infoOf(const QString& bundle) {
    return QJsonDocument::fromJson(readFile(bundle + QStringLiteral("/Contents/Info.json")))
        .object();
}

void expectVerifies(const QString& bundle) {
    const ProgramRun run = runBundleTool({QStringLiteral("verify"), bundle});
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0) << bundle.toStdString() << ": " << run.errors.toStdString();
}

// The value of `key` in a desktop entry's text (empty when it has none).
QString desktopEntryValue(const QString& entry, const QString& key) {
    for (const QString& line : entry.split(u'\n')) {
        if (line.startsWith(key + u'=')) {
            return line.mid(key.size() + 1);
        }
    }
    return {};
}

bool isExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

TEST(BuiltBundles, theViewerBundleIsCompleteAndVerifies) {
    expectVerifies(viewerBundle);
    const QJsonObject info = infoOf(viewerBundle);
    EXPECT_EQ(info.value(QStringLiteral("identifier")).toString(),
              QStringLiteral("com.didirezoror.rure"));
    EXPECT_EQ(info.value(QStringLiteral("executable")).toString(), QStringLiteral("rure"));
    EXPECT_EQ(info.value(QStringLiteral("version")).toString(),
              QStringLiteral(RURE_EXPECTED_VERSION));
    EXPECT_EQ(info.value(QStringLiteral("build")).toString(),
              QStringLiteral(RURE_EXPECTED_BUILD_NUMBER));
    EXPECT_TRUE(isExecutableFile(viewerBundle + QStringLiteral("/Contents/bin/rure")));
    EXPECT_EQ(
        readFile(viewerBundle + QStringLiteral("/Contents/Resources/com.didirezoror.rure.svg")),
        readFile(QString::fromUtf8(build::packagingSourceDirectory) +
                 QStringLiteral("/com.didirezoror.rure.svg")));
    EXPECT_TRUE(
        readFile(viewerBundle + QStringLiteral("/Contents/Resources/com.didirezoror.rure.desktop"))
            .startsWith("[Desktop Entry]\n"));
}

TEST(BuiltBundles, theInstallerBundleCarriesTheSignedViewerAndVerifies) {
    expectVerifies(installerBundle);
    const QJsonObject info = infoOf(installerBundle);
    EXPECT_EQ(info.value(QStringLiteral("identifier")).toString(),
              QStringLiteral("com.didirezoror.rure.installer"));
    EXPECT_EQ(info.value(QStringLiteral("executable")).toString(), QStringLiteral("rizezad-aduz"));
    EXPECT_EQ(info.value(QStringLiteral("version")).toString(),
              QStringLiteral(RURE_EXPECTED_VERSION));
    EXPECT_TRUE(isExecutableFile(installerBundle + QStringLiteral("/Contents/bin/rure-bundle")));
    EXPECT_EQ(isExecutableFile(installerBundle + QStringLiteral("/Contents/bin/rizezad-aduz")),
              RURE_INSTALLER_PROGRAM_BUILT != 0);
    EXPECT_TRUE(
        QFileInfo(installerBundle + QStringLiteral("/Contents/Resources/AppIcon.svg")).isFile());

    // The payload is the viewer bundle as signed, with its own signature.
    const QString payload = installerBundle + QStringLiteral("/Contents/Resources/Rure.app");
    expectVerifies(payload);
    EXPECT_EQ(readFile(payload + QStringLiteral("/Contents/Signature/Manifest")),
              readFile(viewerBundle + QStringLiteral("/Contents/Signature/Manifest")));
    // The carried tool verifies too, with the key compiled into it.
    const ProgramRun carried =
        runProgram(installerBundle + QStringLiteral("/Contents/bin/rure-bundle"),
                   {QStringLiteral("verify"), payload}, QStringLiteral("/"), QProcessEnvironment());
    EXPECT_EQ(carried.exitCode, 0) << carried.errors.toStdString();
}

TEST(BuiltBundles, theInstallerArchiveUnpacksIntoABundleThatVerifies) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const ProgramRun unpack = runProgram(
        QStringLiteral("tar"), {QStringLiteral("-xzf"), QString::fromUtf8(build::installerArchive),
                                QStringLiteral("-C"), scratch.path()});
    ASSERT_TRUE(unpack.started);
    ASSERT_EQ(unpack.exitCode, 0) << unpack.errors.toStdString();
    EXPECT_EQ(QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Rizezad Aduz.app")});
    expectVerifies(scratch.filePath(QStringLiteral("Rizezad Aduz.app")));
}

TEST(BuiltBundles, theDebianPackageInstallsTheSignedViewer) {
    const QString package = QString::fromUtf8(build::debianPackage);
    if (package.isEmpty()) {
        GTEST_SKIP() << "this machine has no dpkg, so the build made no Debian package";
    }
    const ProgramRun listing =
        runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), package});
    ASSERT_EQ(listing.exitCode, 0) << listing.errors.toStdString();
    for (const char* expected :
         {" ./opt/Rure.app/Contents/bin/rure\n", " ./opt/Rure.app/Contents/Info.json\n",
          " ./opt/Rure.app/Contents/Signature/Manifest.sig\n",
          " ./usr/bin/rure -> /opt/Rure.app/Contents/bin/rure\n",
          " ./usr/share/applications/com.didirezoror.rure.desktop\n",
          " ./usr/share/icons/hicolor/scalable/apps/com.didirezoror.rure.svg\n"}) {
        EXPECT_TRUE(listing.output.contains(QString::fromUtf8(expected)))
            << expected << "\n"
            << listing.output.toStdString();
    }

    const ProgramRun fields =
        runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), package});
    ASSERT_EQ(fields.exitCode, 0) << fields.errors.toStdString();
    EXPECT_TRUE(fields.output.contains(QStringLiteral("Package: rure\n")));
    EXPECT_TRUE(fields.output.contains(
        QStringLiteral("Version: " RURE_EXPECTED_VERSION "-" RURE_EXPECTED_BUILD_NUMBER "\n")));
    EXPECT_TRUE(fields.output.contains(QStringLiteral("Section: video\n")));
    EXPECT_TRUE(fields.output.contains(
        QStringLiteral("Maintainer: Didirezoror <support@didirezoror.com>\n")));
    const QString depends =
        fields.output.section(QStringLiteral("Depends: "), 1).section(u'\n', 0, 0);
    // Found by shlibdeps in the viewer program, and the plugin package named by hand.
    for (const char* dependency : {"libmpv2", "libqt6widgets6", "libqt6gui6", "libc6"}) {
        EXPECT_TRUE(depends.contains(QString::fromUtf8(dependency)))
            << dependency << " missing from: " << depends.toStdString();
    }

    // What the package puts on disk: a bundle that verifies, and a desktop
    // entry and command that lead to its program.
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_EQ(runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), package, root.path()})
                  .exitCode,
              0);
    expectVerifies(root.filePath(QStringLiteral("opt/Rure.app")));
    const QString entry = QString::fromUtf8(readFile(
        root.filePath(QStringLiteral("usr/share/applications/com.didirezoror.rure.desktop"))));
    const QString exec = desktopEntryValue(entry, QStringLiteral("Exec"));
    EXPECT_TRUE(isExecutableFile(root.path() + exec)) << exec.toStdString();
    const QString icon = desktopEntryValue(entry, QStringLiteral("Icon"));
    EXPECT_TRUE(QFileInfo(root.filePath(QStringLiteral("usr/share/icons/hicolor/scalable/apps/")) +
                          icon + QStringLiteral(".svg"))
                    .isFile())
        << icon.toStdString();
    EXPECT_EQ(QFileInfo(root.filePath(QStringLiteral("usr/bin/rure"))).symLinkTarget(),
              QStringLiteral("/opt/Rure.app/Contents/bin/rure"));
}

} // namespace
} // namespace rure::test
