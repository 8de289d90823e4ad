#include "DebianPackageSupport.h"

#include "installer/signing/SigningTestSupport.h"
#include "support/DesktopFileValidation.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

namespace rure::test {
namespace {

const QString packageVersion = QStringLiteral(RURE_EXPECTED_VERSION "-" RURE_EXPECTED_BUILD_NUMBER);

// One line of `dpkg-deb -c`: "drwxr-xr-x root/root 0 2026-12-09 09:00 ./usr/",
// with " -> <target>" after a link's path.
struct PackageEntry {
    QString mode;
    QString owner;
    QString path;
};

QList<PackageEntry> packageEntries(const QString& listing) {
    QList<PackageEntry> entries;
    for (const QString& line : listing.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.simplified().split(u' ');
        if (fields.size() < 6) {
            ADD_FAILURE() << "unreadable listing line: " << line.toStdString();
            continue;
        }
        entries.append({fields[0], fields[1], fields[5]});
    }
    return entries;
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

// The text of a file that `gzip -9n` made: no file name and no time stamp in
// its header, so the same text always packs into the same bytes.
QString gunzippedReproducibly(const QString& path) {
    const QByteArray packed = readFile(path);
    if (packed.size() < 10 || !packed.startsWith("\x1f\x8b\x08")) {
        ADD_FAILURE() << path.toStdString() << " is not gzip data";
        return {};
    }
    constexpr char nameFlag = 0x08;
    EXPECT_EQ(packed[3] & nameFlag, 0) << path.toStdString() << " keeps a file name";
    EXPECT_EQ(packed.mid(4, 4), QByteArray(4, '\0')) << path.toStdString() << " keeps a time";
    const ProgramRun unpacked = runProgram(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    EXPECT_EQ(unpacked.exitCode, 0) << unpacked.errors.toStdString();
    return unpacked.output;
}

class DebianPackage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        const QString failure = unpackDebianPackage(root.path());
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    }

    QString installed(const QString& path) const { return root.filePath(path); }

    QTemporaryDir root;
};

TEST_F(DebianPackage, installsTheSignedBundleUnderUsrOwnedByRootWithStandardModes) {
    const ProgramRun listing =
        runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), debianPackageFile()});
    ASSERT_EQ(listing.exitCode, 0) << listing.errors.toStdString();
    QStringList paths;
    for (const PackageEntry& entry : packageEntries(listing.output)) {
        paths.append(entry.path);
        // Nothing in /opt, which belongs to the installer's copy of Rure.app.
        EXPECT_TRUE(entry.path == u"./" || entry.path.startsWith(u"./usr/"))
            << entry.path.toStdString();
        EXPECT_EQ(entry.owner, QStringLiteral("root/root")) << entry.path.toStdString();
        const QChar type = entry.mode.front();
        if (type == u'd') {
            EXPECT_EQ(entry.mode, QStringLiteral("drwxr-xr-x")) << entry.path.toStdString();
        } else if (type == u'-') {
            EXPECT_TRUE(entry.mode == u"-rw-r--r--" || entry.mode == u"-rwxr-xr-x")
                << entry.mode.toStdString() << " " << entry.path.toStdString();
        } else {
            EXPECT_EQ(entry.mode, QStringLiteral("lrwxrwxrwx")) << entry.path.toStdString();
        }
    }
    for (const char* expected :
         {"./usr/lib/rure/Rure.app/Contents/bin/rure", "./usr/lib/rure/Rure.app/Contents/Info.json",
          "./usr/lib/rure/Rure.app/Contents/Signature/Manifest.sig", "./usr/bin/rure",
          "./usr/share/applications/com.didirezoror.rure.desktop",
          "./usr/share/icons/hicolor/scalable/apps/com.didirezoror.rure.svg",
          "./usr/share/metainfo/com.didirezoror.rure.metainfo.xml",
          "./usr/share/doc/rure/copyright", "./usr/share/doc/rure/changelog.Debian.gz",
          "./usr/share/man/man1/rure.1.gz"}) {
        EXPECT_TRUE(paths.contains(QString::fromUtf8(expected))) << expected << " missing from:\n"
                                                                 << listing.output.toStdString();
    }

    // The bundle arrives as signed.
    const ProgramRun verify = runBundleTool({QStringLiteral("verify"), installed(packagedBundle)});
    EXPECT_EQ(verify.exitCode, 0) << verify.errors.toStdString();

    // The command is a relative link to the bundle's own program, which its
    // Info.json names: a viewer started through it runs from inside the bundle.
    const QFileInfo command(installed(packagedCommand));
    ASSERT_TRUE(command.isSymLink());
    EXPECT_EQ(std::filesystem::read_symlink(command.filePath().toStdString()),
              std::filesystem::path("../lib/rure/Rure.app/Contents/bin/rure"));
    EXPECT_EQ(command.canonicalFilePath(),
              QFileInfo(installed(packagedBundle + QStringLiteral("/Contents/bin/rure")))
                  .canonicalFilePath());
    const QJsonObject info =
        QJsonDocument::fromJson(
            readFile(installed(packagedBundle + QStringLiteral("/Contents/Info.json"))))
            .object();
    EXPECT_EQ(info.value(QStringLiteral("identifier")).toString(),
              QStringLiteral("com.didirezoror.rure"));
    EXPECT_EQ(info.value(QStringLiteral("executable")).toString(),
              QFileInfo(command.canonicalFilePath()).fileName());

    // The desktop entry starts the command on the PATH and names an icon it installs.
    const QString entry = QString::fromUtf8(
        readFile(installed(QStringLiteral("usr/share/applications/com.didirezoror.rure.desktop"))));
    EXPECT_EQ(desktopEntryValue(entry, QStringLiteral("Exec")), QStringLiteral("rure %u"));
    // It opens rtsp:// and rtsps:// links, and the desktop's own checker takes it.
    EXPECT_EQ(desktopEntryValue(entry, QStringLiteral("MimeType")),
              QStringLiteral("x-scheme-handler/rtsp;x-scheme-handler/rtsps;"));
    const DesktopFileValidation validation = validateDesktopFile(
        installed(QStringLiteral("usr/share/applications/com.didirezoror.rure.desktop")));
    EXPECT_TRUE(validation.accepted()) << validation.status << "\n"
                                       << validation.complaints.join(u'\n').toStdString();
    const QString icon = desktopEntryValue(entry, QStringLiteral("Icon"));
    EXPECT_TRUE(QFileInfo(installed(QStringLiteral("usr/share/icons/hicolor/scalable/apps/") +
                                    icon + QStringLiteral(".svg")))
                    .isFile())
        << icon.toStdString();
}

TEST_F(DebianPackage, carriesItsCopyrightChangelogAndManualPage) {
    const QString copyright =
        QString::fromUtf8(readFile(installed(QStringLiteral("usr/share/doc/rure/copyright"))));
    EXPECT_TRUE(copyright.startsWith(QStringLiteral(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")))
        << copyright.toStdString();
    EXPECT_TRUE(copyright.contains(QStringLiteral("\nFiles: *\n")));
    EXPECT_TRUE(copyright.contains(QStringLiteral("\nLicense: ")));

    // The newest entry is this very version.
    const QString changelog =
        gunzippedReproducibly(installed(QStringLiteral("usr/share/doc/rure/changelog.Debian.gz")));
    EXPECT_TRUE(changelog.startsWith(QStringLiteral("rure (") + packageVersion + u')'))
        << changelog.toStdString();

    const QString manual =
        gunzippedReproducibly(installed(QStringLiteral("usr/share/man/man1/rure.1.gz")));
    EXPECT_TRUE(manual.startsWith(QStringLiteral(".TH RURE 1 ")));
    for (const char* mentioned :
         {"\\-\\-help", "\\-\\-version", "~/.local/share/rure/cameras.json",
          "~/.config/didirezoror/rure.conf", "RURE_LOG_LEVEL", "RURE_VIDEO_VIEW",
          "RURE_UPDATE_SERVER", "/usr/lib/rure/Rure.app", "rtsp://address", "Save Snapshot",
          "~/Pictures/Rure", "Start at Login", "~/.config/autostart/rure.desktop"}) {
        EXPECT_TRUE(manual.contains(QString::fromUtf8(mentioned))) << mentioned;
    }
}

TEST_F(DebianPackage, itsProgramsCarryNoSymbolsOrDebugInformation) {
    QStringList programs;
    QDirIterator files(root.path(), QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (!readFile(path).startsWith("\x7f"
                                       "ELF")) {
            continue;
        }
        programs.append(path.mid(root.path().size() + 1));
        const ProgramRun sections = runProgram(QStringLiteral("readelf"),
                                               {QStringLiteral("-S"), QStringLiteral("-W"), path});
        ASSERT_EQ(sections.exitCode, 0) << sections.errors.toStdString();
        EXPECT_FALSE(sections.output.contains(QStringLiteral(" .symtab ")))
            << path.toStdString() << "\n"
            << sections.output.toStdString();
        EXPECT_FALSE(sections.output.contains(QStringLiteral(" .debug_")))
            << path.toStdString() << "\n"
            << sections.output.toStdString();
    }
    EXPECT_EQ(programs, QStringList{packagedBundle + QStringLiteral("/Contents/bin/rure")});
}

TEST_F(DebianPackage, controlFieldsDescribeThePackageAndTheLibrariesItNeeds) {
    const ProgramRun fields =
        runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), debianPackageFile()});
    ASSERT_EQ(fields.exitCode, 0) << fields.errors.toStdString();
    for (const QString& expected :
         {QStringLiteral("Package: rure\n"), QStringLiteral("Version: ") + packageVersion + u'\n',
          QStringLiteral("Section: video\n"), QStringLiteral("Priority: optional\n"),
          QStringLiteral("Maintainer: Didirezoror <support@didirezoror.com>\n"),
          QStringLiteral("Description: viewer for live RTSP network cameras\n Rure shows ")}) {
        EXPECT_TRUE(fields.output.contains(expected))
            << expected.toStdString() << " missing from:\n"
            << fields.output.toStdString();
    }
    const QString depends =
        fields.output.section(QStringLiteral("\nDepends: "), 1).section(u'\n', 0, 0);
    // Found by shlibdeps in the viewer program.
    for (const char* dependency :
         {"libmpv2", "libqt6widgets6", "libqt6gui6", "libqt6opengl6", "libsystemd0", "libc6"}) {
        EXPECT_TRUE(depends.contains(QString::fromUtf8(dependency)))
            << dependency << " missing from: " << depends.toStdString();
    }
}

// Software centres list the program from its metainfo, which names the
// desktop entry it launches and declares the rtsp:// links it opens.
TEST_F(DebianPackage, softwareCentresTakeItsMetainfo) {
    const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (appstream.isEmpty()) {
        GTEST_SKIP() << "appstreamcli is not installed (scripts/setup.sh installs it)";
    }
    const QString metainfo =
        installed(QStringLiteral("usr/share/metainfo/com.didirezoror.rure.metainfo.xml"));
    const QString text = QString::fromUtf8(readFile(metainfo));
    EXPECT_TRUE(text.contains(QStringLiteral(
        "<launchable type=\"desktop-id\">com.didirezoror.rure.desktop</launchable>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<mediatype>x-scheme-handler/rtsp</mediatype>")));
    // Offline: the check never fetches the screenshot or the home page.
    const ProgramRun run =
        runProgram(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
    ASSERT_TRUE(run.started) << run.errors.toStdString();
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString() << run.errors.toStdString();
}

TEST_F(DebianPackage, lintianFindsNoErrors) {
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    if (lintian.isEmpty()) {
        GTEST_SKIP() << "lintian is not installed (scripts/setup.sh installs it)";
    }
    const ProgramRun run = runProgram(
        lintian, {QStringLiteral("--tag-display-limit"), QStringLiteral("0"), debianPackageFile()});
    ASSERT_TRUE(run.started) << run.errors.toStdString();
    QStringList errors;
    for (const QString& line : run.output.split(u'\n')) {
        if (line.startsWith(QStringLiteral("E: "))) {
            errors.append(line);
        }
    }
    EXPECT_EQ(errors, QStringList()) << run.output.toStdString();
    // Lintian fails on errors only; its warnings are read by people.
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString() << run.errors.toStdString();
}

} // namespace
} // namespace rure::test
