#include "InstallScene.h"
#include "TransactionTestSupport.h"
#include "installer/transaction/InstallerOperations.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace rure {
namespace {

using InstallerOperations::shellQuoted;
using test::InstallScene;

const Error notInstalled =
    InstallerOperations::error(QStringLiteral("Rure could not be installed in /opt."));

// Names in the destination's folder other than the destination itself.
QStringList leftoversBeside(const InstallScene& scene) {
    QStringList names = test::entryNames(scene.applications);
    names.removeAll(QStringLiteral("Rure.app"));
    return names;
}

// Makes the unprivileged run fail before it changes anything, so that the
// elevation program runs the transaction.
const QString failStagingUnlessElevated =
    QStringLiteral("if [ -z \"$RURE_TEST_ELEVATED\" ] && [ \"$1\" = verify ]; then\n"
                   "    case \"$2\" in */'.Rure Install '*) exit 1;; esac\n"
                   "fi\n");

// The tests run as root, so the unprivileged run is root's too: what it refuses
// here, it refuses as root.
TEST(PrivilegedInstall, ABundleToolReplacedAfterTheInstallerStartedIsNeverRun) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    InstallScene scene(directory.path());
    ASSERT_TRUE(scene.writePayload());
    ASSERT_TRUE(scene.writeOldCopy());
    ASSERT_TRUE(scene.elevationRuns());
    const auto destinationBefore = test::snapshot(scene.destination);
    const QString mark = scene.root + QStringLiteral("/replacement-ran");
    // What the user puts in the tool's place: it plants a file in whatever it
    // is asked to clear, approves everything, and says it ran.
    const QString replacement = scene.root + QStringLiteral("/replacement");
    ASSERT_TRUE(test::writeScript(
        replacement, QStringLiteral("/usr/bin/id -u >> ") + shellQuoted(mark) +
                         QStringLiteral("\n[ \"$1\" = clear-xattrs ] && [ -d \"$2/Contents\" ] && "
                                        "echo planted > \"$2/Contents/planted\"\nexit 0")));
    // The genuine tool, whose digest the scene takes as the installer does at
    // start-up. Once it has verified the prepared copy, the last thing the
    // installer asks of it before the transaction, it is replaced.
    ASSERT_TRUE(
        scene.wrapBundleTool(QStringLiteral("case \"$1 $2\" in 'verify '*'/Rure Prepared '*)\n"
                                            "    \"$real\" \"$@\" || exit 1\n"
                                            "    /bin/cp ") +
                             shellQuoted(replacement) +
                             QStringLiteral(" \"$0.new\" && /bin/mv \"$0.new\" \"$0\"\n"
                                            "    exit 0;;\n"
                                            "esac")));

    const Result<void> result = scene.install();

    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), notInstalled);
    EXPECT_EQ(test::readFile(scene.tools.bundleTool), test::readFile(replacement))
        << "the tool was not replaced";
    EXPECT_FALSE(QFileInfo::exists(mark)) << test::readFile(mark).toStdString();
    EXPECT_EQ(test::snapshot(scene.destination), destinationBefore);
    EXPECT_EQ(leftoversBeside(scene), QStringList());
    EXPECT_EQ(scene.elevationArguments(),
              (QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c")}));
}

// Every entry below `root` and `root` itself that is not root's, that its group
// or others may write, or that carries a set-ID bit, one line each.
QStringList entriesNotOwnedByRootAlone(const QString& root) {
    QStringList found;
    const auto check = [&](const QString& path) {
        struct stat status {};
        if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
            found << path + QStringLiteral(": cannot be examined");
            return;
        }
        if (status.st_uid != 0 || status.st_gid != 0) {
            found << path + QStringLiteral(": owner %1:%2").arg(status.st_uid).arg(status.st_gid);
        }
        if (!S_ISLNK(status.st_mode) &&
            (status.st_mode & (S_IWGRP | S_IWOTH | S_ISUID | S_ISGID)) != 0) {
            found << path + QStringLiteral(": mode %1").arg(status.st_mode & 07777, 0, 8);
        }
    };
    check(root);
    for (const QString& relative : test::snapshot(root).keys()) {
        check(root + QLatin1Char('/') + relative);
    }
    return found;
}

TEST(PrivilegedInstall, TheInstalledCopyIsRootsWithNoGroupOrOtherWriteAndNoSetIdBits) {
    for (const bool elevated : {false, true}) {
        SCOPED_TRACE(elevated ? "through the elevation program" : "in the first run");
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        InstallScene scene(directory.path());
        ASSERT_TRUE(scene.writePayload());
        ASSERT_TRUE(scene.writeOldCopy());
        ASSERT_TRUE(scene.elevationRuns());
        // Once verified, the prepared copy is handed to another account and
        // opened to everyone, as a user preparing an attack would leave it.
        ASSERT_TRUE(
            scene.wrapBundleTool((elevated ? failStagingUnlessElevated : QString()) +
                                 QStringLiteral("case \"$1 $2\" in 'verify '*'/Rure Prepared '*)\n"
                                                "    \"$real\" \"$@\" || exit 1\n"
                                                "    /bin/chown -R -h 1234:1234 \"$2\"\n"
                                                "    /bin/chmod -R go+w \"$2\"\n"
                                                "    /bin/chmod u+s,g+s \"$2/Contents/bin/rure\"\n"
                                                "    /bin/chmod g+s \"$2/Contents\"\n"
                                                "    exit 0;;\n"
                                                "esac")));

        const Result<void> result = scene.install();

        ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
        EXPECT_EQ(entriesNotOwnedByRootAlone(scene.destination).join(u'\n').toStdString(), "");
        EXPECT_EQ(test::snapshot(scene.destination), test::snapshot(scene.payload));
        EXPECT_TRUE(test::verifiesWithRealTool(scene.destination));
        EXPECT_EQ(scene.elevationArguments().isEmpty(), !elevated);
        EXPECT_EQ(leftoversBeside(scene), QStringList());
    }
}

} // namespace
} // namespace rure
