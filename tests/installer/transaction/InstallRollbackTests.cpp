#include "InstallScene.h"
#include "TransactionTestSupport.h"
#include "installer/transaction/InstallerOperations.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace rure {
namespace {

using test::InstallScene;

const Error notInstalled =
    InstallerOperations::error(QStringLiteral("Rure could not be installed in /opt."));

// Fails every check of the installed copy made inside the transaction.
const QString failCheckAfterTheSwap =
    QStringLiteral("[ \"$1 $2\" = \"verify $destination\" ] && exit 1");

TEST(InstallTransaction, AFailedCheckAfterTheSwapPutsTheOldCopyBackAndLeavesNoBackup) {
    struct Case {
        const char* label;
        bool hasOldCopy;
        // The elevation program runs the script (and fails the same check), or
        // the user dismisses the password prompt.
        bool elevationRuns;
    };
    const Case cases[] = {
        {"password prompt dismissed", true, false},
        {"the privileged run fails the same check", true, true},
        {"no old copy", false, true},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.label);
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        InstallScene scene(directory.path());
        ASSERT_TRUE(scene.writePayload());
        if (testCase.hasOldCopy) {
            ASSERT_TRUE(scene.writeOldCopy());
        }
        ASSERT_TRUE(testCase.elevationRuns ? scene.elevationRuns() : scene.elevationExits(126));
        ASSERT_TRUE(scene.wrapBundleTool(failCheckAfterTheSwap));
        const auto destinationBefore = test::snapshot(scene.destination);

        // Each "Try Again" is a whole install of its own.
        for (int attempt = 1; attempt <= 3; ++attempt) {
            SCOPED_TRACE(attempt);
            const Result<void> result = scene.install();

            ASSERT_FALSE(result.ok());
            EXPECT_EQ(result.error(), notInstalled);
            EXPECT_EQ(QFileInfo::exists(scene.destination), testCase.hasOldCopy);
            EXPECT_EQ(test::snapshot(scene.destination), destinationBefore);
            const QStringList expected =
                testCase.hasOldCopy ? QStringList{QStringLiteral("Rure.app")} : QStringList();
            EXPECT_EQ(test::entryNames(scene.applications), expected);
            EXPECT_EQ(test::entryNames(scene.temporary), QStringList());
        }
        if (testCase.hasOldCopy) {
            EXPECT_EQ(test::bundleVersion(scene.destination),
                      QString::fromLatin1(InstallScene::oldVersion));
            EXPECT_TRUE(test::verifiesWithRealTool(scene.destination));
        }
    }
}

TEST(InstallTransaction, LeavesNoBackupAndClearsTheStagingAndBackupFoldersOfEarlierRuns) {
    struct Case {
        const char* label;
        std::function<bool(InstallScene&)> arrange;
        bool succeeds;
    };
    const Case cases[] = {
        {"install succeeds", [](InstallScene&) { return true; }, true},
        {"install succeeds through the elevation program",
         [](InstallScene& scene) {
             return scene.elevationRuns() &&
                    scene.wrapBundleTool(QStringLiteral(
                        "if [ -z \"$RURE_TEST_ELEVATED\" ] && [ \"$1\" = verify ]; then\n"
                        "    case \"$2\" in */'.Rure Install '*) exit 1;; esac\n"
                        "fi"));
         },
         true},
        {"staged copy fails its check",
         [](InstallScene& scene) {
             return scene.wrapBundleTool(
                 QStringLiteral("case \"$1 $2\" in 'verify '*/'.Rure Install '*) exit 1;; esac"));
         },
         false},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.label);
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        InstallScene scene(directory.path());
        ASSERT_TRUE(scene.writePayload());
        ASSERT_TRUE(scene.writeOldCopy());
        // What interrupted runs leave: a backup holding an even older copy, and
        // a half-made staging folder. Folders of other names are not theirs.
        test::TestBundle older;
        older.version = QStringLiteral("0.0.8");
        const QString applications = scene.applications + QLatin1Char('/');
        ASSERT_TRUE(test::writeSignedBundle(
            applications + QStringLiteral(".Rure Backup 6FA459EA-EE8A-3CA4-894E-DB77E160355E.app"),
            older));
        ASSERT_TRUE(test::writeFile(
            applications + QStringLiteral(".Rure Install 1B4E28BA-2FA1-11D2-883F-0016D3CCA427.app/"
                                          "Rure.app/Contents/Info.json"),
            "{"));
        ASSERT_TRUE(test::writeSignedBundle(
            applications + QStringLiteral(".Rure Backup made by hand.app"), older));
        ASSERT_TRUE(test::writeFile(applications + QStringLiteral("notes.txt"), "mine\n"));
        ASSERT_TRUE(testCase.arrange(scene));
        const auto destinationBefore = test::snapshot(scene.destination);

        const Result<void> result = scene.install();

        EXPECT_EQ(result.ok(), testCase.succeeds);
        EXPECT_EQ(test::entryNames(scene.applications),
                  (QStringList{QStringLiteral(".Rure Backup made by hand.app"),
                               QStringLiteral("Rure.app"), QStringLiteral("notes.txt")}));
        EXPECT_EQ(test::snapshot(scene.destination),
                  testCase.succeeds ? test::snapshot(scene.payload) : destinationBefore);
    }
}

} // namespace
} // namespace rure
