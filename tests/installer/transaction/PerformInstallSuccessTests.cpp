#include "InstallScene.h"
#include "InstallerLogCapture.h"
#include "installer/transaction/PerformInstall.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rure {
namespace {

TEST(PerformInstallSuccess, InstallsTheCarriedPayloadOverTheOldCopyAndLogsEachPhase) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    test::InstallScene scene(directory.path());
    ASSERT_TRUE(scene.writePayload());
    ASSERT_TRUE(scene.writeOldCopy());
    InstallerEnvironment environment;
    environment.resourcesPath = QFileInfo(scene.payload).path();
    environment.destination = scene.destination;
    environment.tools = scene.tools;
    environment.viewers.processRoot = scene.root + QStringLiteral("/proc");
    ASSERT_TRUE(QDir().mkpath(environment.viewers.processRoot));
    const test::InstallerLogCapture log;

    const Result<void> result = InstallerOperations::performInstall(environment);

    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    EXPECT_EQ(test::snapshot(scene.destination), test::snapshot(scene.payload));
    EXPECT_EQ(test::entryNames(scene.applications), QStringList{QStringLiteral("Rure.app")});
    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].level, RureLogLevel::info);
    EXPECT_EQ(entries[0].text,
              QStringLiteral("Stopping any running Rure process before replacement."));
    EXPECT_EQ(entries[1].level, RureLogLevel::info);
    EXPECT_EQ(entries[1].text, QStringLiteral("Beginning transactional application replacement."));
}

} // namespace
} // namespace rure
