#include "InstallerLogCapture.h"
#include "TransactionTestSupport.h"
#include "installer/transaction/InstallerLog.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace rure {
namespace {

TEST(InstallerLog, WritesOneLinePerEntryOnStandardErrorWithTheInstallationCategory) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString path = directory.filePath(QStringLiteral("stderr"));
    {
        const test::ScopedDescriptorRedirect err(STDERR_FILENO, path, O_WRONLY | O_CREAT | O_TRUNC);
        ASSERT_TRUE(err.ok());
        InstallerLog::info(QStringLiteral("Beginning transactional application replacement."));
        InstallerLog::notice(QStringLiteral("Installation requested."));
        InstallerLog().error(QStringLiteral("Rure installation failed before completion."));
    }
    EXPECT_EQ(test::readFile(path),
              "com.didirezoror.rure.installer.installation info: Beginning transactional "
              "application replacement.\n"
              "com.didirezoror.rure.installer.installation default: Installation requested.\n"
              "com.didirezoror.rure.installer.installation error: Rure installation failed "
              "before completion.\n");
}

TEST(InstallerLog, ASinkTakesEveryEntryUntilItIsRemoved) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString path = directory.filePath(QStringLiteral("stderr"));
    const test::ScopedDescriptorRedirect err(STDERR_FILENO, path, O_WRONLY | O_CREAT | O_TRUNC);
    ASSERT_TRUE(err.ok());
    std::vector<InstallerLogEntry> captured;
    {
        const test::InstallerLogCapture capture;
        InstallerLog::info(QStringLiteral("first"));
        InstallerLog::notice(QStringLiteral("second"));
        InstallerLog::error(QStringLiteral("third"));
        captured = capture.entries();
    }
    InstallerLog::info(QStringLiteral("after"));

    ASSERT_EQ(captured.size(), 3u);
    EXPECT_EQ(captured[0].level, RureLogLevel::info);
    EXPECT_EQ(captured[0].text, QStringLiteral("first"));
    EXPECT_EQ(captured[1].level, RureLogLevel::standard);
    EXPECT_EQ(captured[1].text, QStringLiteral("second"));
    EXPECT_EQ(captured[2].level, RureLogLevel::error);
    EXPECT_EQ(captured[2].text, QStringLiteral("third"));
    EXPECT_EQ(test::readFile(path), "com.didirezoror.rure.installer.installation info: after\n");
}

} // namespace
} // namespace rure
