#include "InstallerLogCapture.h"
#include "TransactionTestSupport.h"
#include "ViewerProcessSupport.h"
#include "installer/transaction/InstallerOperations.h"
#include "installer/transaction/PerformInstall.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace rure {
namespace {

using namespace std::chrono_literals;

// An environment below `root` whose bundle tool only records that it ran: these
// installs must stop before the tool is ever needed.
struct Scene {
    explicit Scene(const QString& rootPath)
        : root(rootPath), toolRecord(rootPath + QStringLiteral("/tool-ran")) {
        environment.resourcesPath = root + QStringLiteral("/Installer/Resources");
        environment.destination = root + QStringLiteral("/opt/Rure.app");
        environment.tools.bundleTool = root + QStringLiteral("/tools/rure-bundle");
        environment.tools.temporaryDirectory = root + QStringLiteral("/tmp");
        environment.tools.elevation = {environment.tools.bundleTool};
        environment.viewers.processRoot = root + QStringLiteral("/proc");
        QDir().mkpath(environment.viewers.processRoot);
        QDir().mkpath(environment.tools.temporaryDirectory);
        test::writeScript(environment.tools.bundleTool,
                          QStringLiteral("/bin/touch ") +
                              InstallerOperations::shellQuoted(toolRecord));
        test::writeBundle(environment.destination, test::TestBundle{});
    }

    QString root;
    QString toolRecord;
    InstallerEnvironment environment;
};

TEST(PerformInstall, AMissingPayloadFailsBeforeAnythingHappens) {
    struct Case {
        const char* label;
        std::function<bool(Scene&)> arrange;
    };
    const Case cases[] = {
        {"no resources directory",
         [](Scene& scene) {
             scene.environment.resourcesPath.clear();
             return true;
         }},
        {"resources directory missing", [](Scene&) { return true; }},
        {"resources is a file",
         [](Scene& scene) { return test::writeFile(scene.environment.resourcesPath, "x"); }},
        {"resources without Rure.app",
         [](Scene& scene) {
             return test::writeBundle(scene.environment.resourcesPath +
                                          QStringLiteral("/Rure 2.app"),
                                      test::TestBundle{});
         }},
        {"Rure.app is a dangling link",
         [](Scene& scene) {
             return QDir().mkpath(scene.environment.resourcesPath) &&
                    QFile::link(scene.root + QStringLiteral("/gone.app"),
                                scene.environment.resourcesPath + QStringLiteral("/Rure.app"));
         }},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.label);
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        Scene scene(directory.path());
        ASSERT_TRUE(testCase.arrange(scene));
        const auto before = test::snapshot(scene.root);
        const test::InstallerLogCapture log;

        const Result<void> result = InstallerOperations::performInstall(scene.environment);

        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error(),
                  InstallerOperations::error(QStringLiteral("The installer payload is missing.")));
        EXPECT_TRUE(log.entries().empty());
        EXPECT_EQ(test::snapshot(scene.root), before);
    }
}

TEST(PerformInstall, AViewerThatWillNotQuitStopsTheInstallWithNothingChanged) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    Scene scene(directory.path());
    ASSERT_TRUE(test::writeBundle(scene.environment.resourcesPath + QStringLiteral("/Rure.app"),
                                  test::TestBundle{}));
    const QString viewer =
        test::writeFakeViewerBundle(scene.root + QStringLiteral("/Running/Rure.app"),
                                    QStringLiteral("rure"), test::viewerInfoJson());
    test::FakeViewerProcess process;
    ASSERT_TRUE(process.start(viewer, test::FakeViewerProcess::OnQuitRequest::ignore));
    test::FakeProcessRoot processes(scene.environment.viewers.processRoot);
    ASSERT_TRUE(processes.add(process.pid()));
    scene.environment.viewers.deadline = 200ms;
    const auto before = test::snapshot(scene.root);
    const test::InstallerLogCapture log;

    const Result<void> result = InstallerOperations::performInstall(scene.environment);

    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), InstallerOperations::error(QStringLiteral(
                                  "Rure is still open. Close it, then choose Try Again.")));
    EXPECT_EQ(test::snapshot(scene.root), before);
    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, RureLogLevel::info);
    EXPECT_EQ(entries[0].text,
              QStringLiteral("Stopping any running Rure process before replacement."));
    EXPECT_TRUE(process.answersPing());
}

TEST(PerformInstall, TheRunningInstallerInstallsItsOwnPayloadIntoOptWithPkexec) {
    const QString binDirectory = QCoreApplication::applicationDirPath();
    const InstallerEnvironment environment = InstallerEnvironment::current();
    EXPECT_EQ(environment.resourcesPath,
              QDir::cleanPath(binDirectory + QStringLiteral("/../Resources")));
    EXPECT_EQ(environment.destination, QStringLiteral("/opt/Rure.app"));
    EXPECT_EQ(environment.tools.bundleTool, binDirectory + QStringLiteral("/rure-bundle"));
    EXPECT_EQ(environment.tools.copy, QStringLiteral("/bin/cp"));
    EXPECT_EQ(environment.tools.elevation, QStringList{QStringLiteral("/usr/bin/pkexec")});
    EXPECT_EQ(environment.tools.temporaryDirectory, QString());
    EXPECT_EQ(environment.viewers.processRoot, QStringLiteral("/proc"));
    EXPECT_EQ(environment.viewers.deadline, 12s);
    EXPECT_EQ(environment.viewers.pollInterval, 50ms);
}

} // namespace
} // namespace rure
