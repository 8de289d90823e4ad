#include "SigningTestSupport.h"

#include "support/BuildPlaces.h"
#include "support/DesktopFileValidation.h"

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
    // The desktop entry the installer registers: valid, and the handler of
    // rtsp:// and rtsps:// links, which it passes to the program.
    const QString entry =
        viewerBundle + QStringLiteral("/Contents/Resources/com.didirezoror.rure.desktop");
    const QByteArray text = readFile(entry);
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nExec=/opt/Rure.app/Contents/bin/rure %u\n")) << text.data();
    EXPECT_TRUE(text.contains("\nMimeType=x-scheme-handler/rtsp;x-scheme-handler/rtsps;\n"))
        << text.data();
    const DesktopFileValidation validation = validateDesktopFile(entry);
    EXPECT_TRUE(validation.accepted()) << validation.status << "\n"
                                       << validation.complaints.join(u'\n').toStdString();
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

} // namespace
} // namespace rure::test
