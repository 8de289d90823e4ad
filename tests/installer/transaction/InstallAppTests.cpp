#include "InstallScene.h"
#include "TransactionTestSupport.h"
#include "installer/transaction/InstallerOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <optional>
#include <vector>

namespace rure {
namespace {

using test::InstallScene;

Error installerError(const char* message) {
    return InstallerOperations::error(QString::fromUtf8(message));
}

// Names in the destination's folder other than the destination itself.
QStringList leftoversBeside(const InstallScene& scene) {
    QStringList names = test::entryNames(scene.applications);
    names.removeAll(QStringLiteral("Rure.app"));
    return names;
}

TEST(InstallApp, InstallsAFreshCopyAndReplacesAnOlderOneLeavingNothingBehind) {
    for (const bool hasOldCopy : {false, true}) {
        SCOPED_TRACE(hasOldCopy ? "update" : "fresh install");
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        InstallScene scene(directory.path());
        ASSERT_TRUE(scene.writePayload());
        if (hasOldCopy) {
            ASSERT_TRUE(scene.writeOldCopy());
        }
        const QString cameraList = scene.root + QStringLiteral("/data/rure/cameras.json");
        const QByteArray cameras = "{\n  \"cameras\" : [\n  ]\n}\n";
        ASSERT_TRUE(test::writeFile(cameraList, cameras));
        const auto payloadBefore = test::snapshot(scene.payload);

        const Result<void> result = scene.install();

        ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
        EXPECT_EQ(test::snapshot(scene.destination), payloadBefore);
        EXPECT_TRUE(test::verifiesWithRealTool(scene.destination));
        EXPECT_EQ(test::snapshot(scene.payload), payloadBefore);
        EXPECT_EQ(test::entryNames(scene.applications), QStringList{QStringLiteral("Rure.app")});
        EXPECT_EQ(test::entryNames(scene.temporary), QStringList());
        EXPECT_EQ(test::readFile(cameraList), cameras);
        EXPECT_EQ(scene.elevationArguments(), QStringList());
    }
}

struct FailureCase {
    const char* label;
    bool hasOldCopy;
    // Prepares the failure; returns false when it could not.
    std::function<bool(InstallScene&)> arrange;
    // None: the file system's own error passes through.
    std::optional<Error> expected;
    enum class Destination { unchanged, newCopy } destination;
    bool asksForElevation;
};

const QString failPreparedCopy =
    QStringLiteral("case \"$2\" in */'Rure Prepared '*) [ \"$1\" = %1 ] && exit 1;; esac");

std::vector<FailureCase> failureCases() {
    using Destination = FailureCase::Destination;
    const Error notInstalled = installerError("Rure could not be installed in /opt.");
    return {
        {"payload with one changed byte", true,
         [](InstallScene& scene) {
             const QString file =
                 scene.payload + QStringLiteral("/Contents/Resources/com.didirezoror.rure.svg");
             QByteArray bytes = test::readFile(file);
             bytes[1] = static_cast<char>(bytes[1] ^ 0x01);
             return test::writeFile(file, bytes);
         },
         installerError("The Rure application in this installer is damaged."),
         Destination::unchanged, false},
        {"payload with a file anyone may write", true,
         [](InstallScene& scene) {
             return QFile::setPermissions(scene.payload + QStringLiteral("/Contents/Info.json"),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                              QFile::WriteGroup | QFile::ReadOther |
                                              QFile::WriteOther);
         },
         installerError("The Rure application in this installer is damaged."),
         Destination::unchanged, false},
        {"payload with a set-user-ID program", true,
         [](InstallScene& scene) {
             return ::chmod(QFile::encodeName(scene.payload + QStringLiteral("/Contents/bin/rure"))
                                .constData(),
                            04755) == 0;
         },
         installerError("The Rure application in this installer is damaged."),
         Destination::unchanged, false},
        {"prepared copy cannot be made", true,
         [](InstallScene& scene) {
             const QString file = scene.root + QStringLiteral("/not-a-directory");
             scene.tools.temporaryDirectory = file + QStringLiteral("/tmp");
             return test::writeFile(file, "x");
         },
         std::nullopt, Destination::unchanged, false},
        {"prepared copy keeps its attributes", true,
         [](InstallScene& scene) {
             return scene.wrapBundleTool(failPreparedCopy.arg(QStringLiteral("clear-xattrs")));
         },
         installerError("The prepared copy of Rure could not be sanitized."),
         Destination::unchanged, false},
        {"prepared copy fails verification", true,
         [](InstallScene& scene) {
             return scene.wrapBundleTool(failPreparedCopy.arg(QStringLiteral("verify")));
         },
         installerError("The prepared copy of Rure could not be verified."), Destination::unchanged,
         false},
        {"staged copy fails verification, also when elevated", true,
         [](InstallScene& scene) {
             return scene.elevationRuns() &&
                    scene.wrapBundleTool(QStringLiteral("case \"$2\" in */'.Rure Install '*) [ "
                                                        "\"$1\" = verify ] && exit 1;; esac"));
         },
         notInstalled, Destination::unchanged, true},
        {"moving the staged copy in fails after the old one was moved aside", true,
         [](InstallScene& scene) {
             // The staged copy passes its verification and then disappears, so
             // the rename that follows the move to the backup fails.
             return scene.elevationRuns() && scene.wrapBundleTool(QStringLiteral(
                                                 "case \"$1 $2\" in 'verify '*/'.Rure Install '*)\n"
                                                 "    \"$real\" \"$@\" || exit 1\n"
                                                 "    /bin/rm -rf \"$2\"\n"
                                                 "    exit 0;;\n"
                                                 "esac"));
         },
         notInstalled, Destination::unchanged, true},
        {"installed copy fails the check after the transaction", true,
         [](InstallScene& scene) {
             return scene.wrapBundleTool(QStringLiteral(
                 "if [ \"$1 $2\" = \"verify $destination\" ]; then\n"
                 "    calls=$(($(/bin/cat \"$counter\" 2>/dev/null || echo 0) + 1))\n"
                 "    echo \"$calls\" > \"$counter\"\n"
                 "    [ \"$calls\" -ge 2 ] && exit 1\n"
                 "fi"));
         },
         installerError("The installed copy of Rure could not be verified."), Destination::newCopy,
         false},
    };
}

TEST(InstallApp, EachFailureReportsItsMessageAndLeavesTheDestinationAsDocumented) {
    for (const FailureCase& failure : failureCases()) {
        SCOPED_TRACE(failure.label);
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        InstallScene scene(directory.path());
        ASSERT_TRUE(scene.writePayload());
        if (failure.hasOldCopy) {
            ASSERT_TRUE(scene.writeOldCopy());
        }
        const auto destinationBefore = test::snapshot(scene.destination);
        ASSERT_TRUE(failure.arrange(scene));

        const Result<void> result = scene.install();

        ASSERT_FALSE(result.ok());
        if (!failure.expected) {
            EXPECT_EQ(result.error().domain, ErrorDomain::file);
            EXPECT_FALSE(result.error().description.isEmpty());
        } else {
            EXPECT_EQ(result.error(), *failure.expected);
        }
        if (failure.destination == FailureCase::Destination::unchanged) {
            EXPECT_EQ(test::snapshot(scene.destination), destinationBefore);
            EXPECT_EQ(QFileInfo::exists(scene.destination), failure.hasOldCopy);
        } else {
            EXPECT_EQ(test::bundleVersion(scene.destination),
                      QString::fromLatin1(InstallScene::newVersion));
        }
        EXPECT_EQ(leftoversBeside(scene), QStringList());
        if (QFileInfo(scene.tools.temporaryDirectory).isDir()) {
            EXPECT_EQ(test::entryNames(scene.tools.temporaryDirectory), QStringList());
        }
        EXPECT_EQ(!scene.elevationArguments().isEmpty(), failure.asksForElevation);
    }
}

TEST(InstallApp, AnUnprivilegedFailureIsRetriedOnceThroughTheElevationProgram) {
    struct Case {
        const char* label;
        // Fails one verification when not elevated: the staged copy's, before
        // anything changed, or the installed copy's inside the script, after the
        // swap, which puts the old copy back before the elevated run starts.
        QString rule;
        int elevationStatus; // -1: the elevation program runs the script
        bool succeeds;
    };
    const QString failStagingUnlessElevated =
        QStringLiteral("if [ -z \"$RURE_TEST_ELEVATED\" ] && [ \"$1\" = verify ]; then\n"
                       "    case \"$2\" in */'.Rure Install '*) exit 1;; esac\n"
                       "fi");
    const QString failFirstInstalledCheckUnlessElevated = QStringLiteral(
        "if [ -z \"$RURE_TEST_ELEVATED\" ] && [ \"$1 $2\" = \"verify $destination\" ] &&\n"
        "   [ ! -e \"$counter\" ]; then\n"
        "    : > \"$counter\"\n"
        "    exit 1\n"
        "fi");
    const Case cases[] = {
        {"password prompt dismissed", failStagingUnlessElevated, 126, false},
        {"not authorised", failStagingUnlessElevated, 127, false},
        {"elevated run succeeds", failStagingUnlessElevated, -1, true},
        {"elevated run succeeds after the first run failed its check after the swap",
         failFirstInstalledCheckUnlessElevated, -1, true},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.label);
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        InstallScene scene(directory.path());
        ASSERT_TRUE(scene.writePayload());
        ASSERT_TRUE(scene.writeOldCopy());
        const auto destinationBefore = test::snapshot(scene.destination);
        ASSERT_TRUE(scene.wrapBundleTool(testCase.rule));
        ASSERT_TRUE(testCase.elevationStatus < 0 ? scene.elevationRuns()
                                                 : scene.elevationExits(testCase.elevationStatus));

        const Result<void> result = scene.install();

        EXPECT_EQ(scene.elevationArguments(),
                  (QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c")}));
        if (testCase.succeeds) {
            ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
            EXPECT_EQ(test::snapshot(scene.destination), test::snapshot(scene.payload));
        } else {
            ASSERT_FALSE(result.ok());
            EXPECT_EQ(result.error(), installerError("Rure could not be installed in /opt."));
            EXPECT_EQ(test::snapshot(scene.destination), destinationBefore);
        }
        EXPECT_EQ(leftoversBeside(scene), QStringList());
        EXPECT_EQ(test::entryNames(scene.temporary), QStringList());
    }
}

// Restores the working directory, where a command substitution that escaped
// its quoting would leave its file.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const QString& path) : previous_(QDir::currentPath()) {
        QDir::setCurrent(path);
    }
    ~ScopedWorkingDirectory() { QDir::setCurrent(previous_); }
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    QString previous_;
};

TEST(InstallApp, PathsFullOfShellSyntaxSurviveARealInstall) {
    const QString hostile =
        QStringLiteral("-it's \"quoted\" back\\slash\nline $(touch pwned) `touch pwned` ${HOME}");
    for (const bool elevated : {false, true}) {
        SCOPED_TRACE(elevated ? "through the elevated run" : "unprivileged");
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        const ScopedWorkingDirectory workingDirectory(directory.path());
        InstallScene scene(directory.path());
        scene.applications = scene.root + QLatin1Char('/') + hostile;
        scene.destination = scene.applications + QStringLiteral("/Rure.app");
        scene.payload = scene.root + QStringLiteral("/Source ") + hostile + QStringLiteral("/") +
                        hostile + QStringLiteral(".app");
        scene.tools.temporaryDirectory = scene.root + QStringLiteral("/Temporary ") + hostile;
        ASSERT_TRUE(QDir().mkpath(scene.applications));
        ASSERT_TRUE(QDir().mkpath(scene.tools.temporaryDirectory));
        ASSERT_TRUE(scene.writePayload());
        ASSERT_TRUE(scene.writeOldCopy());
        ASSERT_TRUE(scene.elevationRuns());
        const QString failStagingUnlessElevated =
            elevated
                ? QStringLiteral("if [ -z \"$RURE_TEST_ELEVATED\" ] && [ \"$1\" = verify ]; then\n"
                                 "    case \"$2\" in */'.Rure Install '*) exit 1;; esac\n"
                                 "fi")
                : QString();
        // The bundle tool's own path is quoted in the script too.
        ASSERT_TRUE(scene.wrapBundleTool(failStagingUnlessElevated,
                                         scene.root + QStringLiteral("/Tool ") + hostile +
                                             QStringLiteral("/rure-bundle")));

        const Result<void> result = scene.install();

        ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
        EXPECT_EQ(test::bundleVersion(scene.destination),
                  QString::fromLatin1(InstallScene::newVersion));
        EXPECT_TRUE(test::verifiesWithRealTool(scene.destination));
        EXPECT_EQ(test::entryNames(scene.applications), QStringList{QStringLiteral("Rure.app")});
        EXPECT_EQ(test::entryNames(scene.tools.temporaryDirectory), QStringList());
        EXPECT_EQ(scene.elevationArguments().isEmpty(), !elevated);
        for (const QString& path : test::snapshot(scene.root).keys()) {
            EXPECT_FALSE(path.endsWith(QStringLiteral("pwned"))) << path.toStdString();
        }
    }
}

} // namespace
} // namespace rure
