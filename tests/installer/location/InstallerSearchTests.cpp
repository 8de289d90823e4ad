#include "installer/location/InstallerSearch.h"

#include "LocationTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <optional>
#include <vector>

namespace rure::test {
namespace {

using InstallerOperations::installerSearchRoots;
using InstallerOperations::originalInstallerURL;

const QString installerIdentifier = QStringLiteral("com.didirezoror.rure.installer");
const QString installerExecutable = QStringLiteral("rizezad-aduz");

QByteArray installerBytes() {
    return QByteArray("\x7f"
                      "ELF installer, build 12\n") +
           QByteArray(100000, 'x') + "end";
}

// Same size, one byte different: an older build of the installer.
QByteArray olderInstallerBytes() {
    QByteArray bytes = installerBytes();
    bytes[bytes.size() - 1] = 'E';
    return bytes;
}

QDateTime minute(int minutes) {
    return QDateTime::fromSecsSinceEpoch(1700000000 + qint64(minutes) * 60);
}

// The installer as the system runs it after a download: from a randomised copy.
QString writeTranslocatedInstaller(const PrivateHome& home) {
    const QString path =
        home.root() + QStringLiteral("/private/var/folders/x1/T/AppTranslocation/"
                                     "5E2A0C6B-17D4-4C3E-9E0F-0C1D2B3A4F5E/d/Rizezad Aduz.app");
    EXPECT_TRUE(writeBundle(path, installerIdentifier, installerExecutable, installerBytes()));
    return path;
}

TEST(InstallerSearch, rootsAreDownloadsDesktopThenEveryVisibleCloudStorageEntry) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    EXPECT_EQ(installerSearchRoots(), (QStringList{home.downloads(), home.desktop()}));

    ASSERT_TRUE(writeFile(home.configHome() + QStringLiteral("/user-dirs.dirs"),
                          "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"\n"
                          "XDG_DESKTOP_DIR=\"$HOME/Work Desk\"\n"));
    for (const char* provider : {"OneDrive-Work", "Dropbox", ".Trash", "GoogleDrive-me"}) {
        ASSERT_TRUE(
            QDir().mkpath(home.cloudStorage() + QLatin1Char('/') + QLatin1String(provider)));
    }
    // Entries are taken as they are, even one that cannot hold a Downloads folder.
    ASSERT_TRUE(writeFile(home.cloudStorage() + QStringLiteral("/Notes"), "not a folder"));

    const QString cloud = home.cloudStorage();
    EXPECT_EQ(installerSearchRoots(),
              (QStringList{home.home() + QStringLiteral("/Fetched"),
                           home.home() + QStringLiteral("/Work Desk"),
                           cloud + QStringLiteral("/Dropbox/Downloads"),
                           cloud + QStringLiteral("/GoogleDrive-me/Downloads"),
                           cloud + QStringLiteral("/Notes/Downloads"),
                           cloud + QStringLiteral("/OneDrive-Work/Downloads")}));
}

TEST(InstallerSearch, anInstallerRunningWhereTheUserPutItIsTakenAsItIs) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    // An identical copy with the shipped name waits in Downloads; the search
    // would find it, so finding anything else shows that none ran.
    ASSERT_TRUE(writeBundle(home.downloads() + QStringLiteral("/Rizezad Aduz.app"),
                            installerIdentifier, installerExecutable, installerBytes()));
    const QString elsewhere = home.desktop() + QStringLiteral("/Setup.app");
    ASSERT_TRUE(QDir().mkpath(elsewhere));

    EXPECT_EQ(originalInstallerURL(elsewhere), elsewhere);
    EXPECT_EQ(originalInstallerURL(home.desktop() + QStringLiteral("/./Old/../Setup.app/")),
              elsewhere);
    EXPECT_EQ(InstallerOperations::originalInstallerURLComparingWith(elsewhere, std::nullopt),
              elsewhere);
}

TEST(InstallerSearch, aTranslocatedInstallerFindsTheIdenticalCopyTheUserDownloaded) {
    struct Copy {
        QString path; // below the home folder
        int minutes;
        QByteArray executable = installerBytes();
        QString identifier = installerIdentifier;
    };
    struct Case {
        const char* name;
        std::vector<Copy> copies;
        std::optional<QString> expected; // below the home folder
    };
    const QString shipped = QStringLiteral("Downloads/Rizezad Aduz.app");
    const QString numbered = QStringLiteral("Downloads/Rizezad Aduz (1).app");
    const std::vector<Case> cases = {
        {"the shipped name wins over a newer numbered copy",
         {{shipped, 1}, {numbered, 2}},
         shipped},
        {"the shipped name wins across roots",
         {{numbered, 5}, {QStringLiteral("Desktop/Rizezad Aduz.app"), 1}},
         QStringLiteral("Desktop/Rizezad Aduz.app")},
        {"without the shipped name the newest copy wins",
         {{numbered, 1},
          {QStringLiteral("Downloads/Rizezad Aduz (3).APP"), 2},
          {QStringLiteral("Desktop/Rizezad Aduz (2).app"), 3}},
         QStringLiteral("Desktop/Rizezad Aduz (2).app")},
        {"an older installer is never taken",
         {{shipped, 9, olderInstallerBytes()},
          {QStringLiteral("Downloads/Rizezad Aduz (2).app"), 8, installerBytes().chopped(1)},
          {QStringLiteral("Downloads/Rizezad Aduz (3).app"), 7, installerBytes() + "\n"},
          {numbered, 1}},
         numbered},
        {"only older installers",
         {{shipped, 1, olderInstallerBytes()},
          {QStringLiteral("Desktop/Rizezad Aduz.app"), 2, QByteArray()}},
         std::nullopt},
        {"another program with the same executable",
         {{shipped, 1, installerBytes(), QStringLiteral("com.didirezoror.rure")},
          {numbered, 2, installerBytes(), QStringLiteral("com.didirezoror.rure.installer.beta")}},
         std::nullopt},
        {"the extension is compared without regard to case",
         {{QStringLiteral("Downloads/Rizezad Aduz (3).APP"), 1}},
         QStringLiteral("Downloads/Rizezad Aduz (3).APP")},
        {"only bundles named .app count",
         {{QStringLiteral("Downloads/Rizezad Aduz.app.zip"), 1},
          {QStringLiteral("Downloads/Rizezad Aduz"), 2},
          {QStringLiteral("Downloads/Rizezad Aduz.apps"), 3}},
         std::nullopt},
        {"a copy in a subfolder of Downloads is not found",
         {{QStringLiteral("Downloads/Installers/Rizezad Aduz.app"), 1}},
         std::nullopt},
        {"hidden entries are skipped",
         {{QStringLiteral("Downloads/.Rizezad Aduz.app"), 1},
          {QStringLiteral("Library/CloudStorage/.Hidden/Downloads/Rizezad Aduz.app"), 2}},
         std::nullopt},
        {"cloud storage providers are searched",
         {{numbered, 9},
          {QStringLiteral("Library/CloudStorage/Gamma/Downloads/Rizezad Aduz.app"), 1}},
         QStringLiteral("Library/CloudStorage/Gamma/Downloads/Rizezad Aduz.app")},
        {"equal standing keeps the search order",
         {{QStringLiteral("Library/CloudStorage/Beta/Downloads/Rizezad Aduz (1).app"), 4},
          {QStringLiteral("Library/CloudStorage/Alpha/Downloads/Rizezad Aduz (1).app"), 4},
          {QStringLiteral("Desktop/Rizezad Aduz (1).app"), 4},
          {numbered, 4}},
         numbered},
        {"providers in order",
         {{QStringLiteral("Library/CloudStorage/Beta/Downloads/Rizezad Aduz (1).app"), 4},
          {QStringLiteral("Library/CloudStorage/Alpha/Downloads/Rizezad Aduz (1).app"), 4}},
         QStringLiteral("Library/CloudStorage/Alpha/Downloads/Rizezad Aduz (1).app")},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        PrivateHome home;
        ASSERT_TRUE(home.isValid());
        const QString running = writeTranslocatedInstaller(home);
        for (const Copy& copy : testCase.copies) {
            const QString path = home.home() + QLatin1Char('/') + copy.path;
            ASSERT_TRUE(writeBundle(path, copy.identifier, installerExecutable, copy.executable));
            ASSERT_TRUE(setModificationTime(path, minute(copy.minutes)));
        }
        const std::optional<QString> found = originalInstallerURL(running);
        if (testCase.expected) {
            EXPECT_EQ(found, home.home() + QLatin1Char('/') + *testCase.expected);
        } else {
            EXPECT_EQ(found, std::nullopt);
        }
    }
}

TEST(InstallerSearch, aTranslocatedBundleWithoutExecutableFindsNothing) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    const QString running = writeTranslocatedInstaller(home);
    ASSERT_TRUE(writeBundle(home.downloads() + QStringLiteral("/Rizezad Aduz.app"),
                            installerIdentifier, installerExecutable, installerBytes()));
    ASSERT_TRUE(originalInstallerURL(running).has_value());

    ASSERT_TRUE(writeFile(running + QStringLiteral("/Contents/Info.json"),
                          R"({"identifier": "com.didirezoror.rure.installer"})"));
    EXPECT_EQ(originalInstallerURL(running), std::nullopt);
    EXPECT_EQ(InstallerOperations::originalInstallerURLComparingWith(running, std::nullopt),
              std::nullopt);
}

TEST(InstallerSearch, aBundleThatIsGoneIsLookedForByTheRunningProgram) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    // This test program plays the running installer: its own bytes are the
    // executable to look for.
    QFile self(QCoreApplication::applicationFilePath());
    ASSERT_TRUE(self.open(QIODevice::ReadOnly));
    const QByteArray running = self.readAll();
    ASSERT_FALSE(running.isEmpty());
    const QString copy = home.downloads() + QStringLiteral("/Rizezad Aduz (1).app");
    ASSERT_TRUE(writeBundle(copy, installerIdentifier, installerExecutable, running));
    ASSERT_TRUE(writeBundle(home.downloads() + QStringLiteral("/Rizezad Aduz.app"),
                            installerIdentifier, installerExecutable, installerBytes()));

    EXPECT_EQ(originalInstallerURL(home.root() + QStringLiteral("/moved/Rizezad Aduz.app")), copy);
}

} // namespace
} // namespace rure::test
