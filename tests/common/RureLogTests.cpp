#include "common/RureLog.h"
#include "support/LogCapture.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>
#include <vector>

namespace rure::test {
namespace {

TEST(RureLog, entriesCarryTheSubsystemCategoryAndLevelNames) {
    LogCapture capture;
    RureLog::lifecycle().notice(QStringLiteral("a"));
    RureLog::configuration().info(QStringLiteral("b"));
    RureLog::network().debug(QStringLiteral("c"));
    RureLog::playback().error(QStringLiteral("d"));
    RureLog::updates().info(QStringLiteral("e"));

    const auto entries = capture.entries();
    ASSERT_EQ(entries.size(), 5u);
    const struct {
        const char* category;
        const char* level;
    } expected[] = {{"lifecycle", "default"},
                    {"configuration", "info"},
                    {"network", "debug"},
                    {"playback", "error"},
                    {"updates", "info"}};
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].subsystem, QStringLiteral("com.didirezoror.rure"));
        EXPECT_EQ(categoryName(entries[i].category), QString::fromLatin1(expected[i].category));
        EXPECT_EQ(levelName(entries[i].level), QString::fromLatin1(expected[i].level));
    }
    EXPECT_EQ(capture.texts(), QStringList({"a", "b", "c", "d", "e"}));
}

TEST(RureLog, entriesFromManyThreadsAreAllKept) {
    LogCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 500; ++i) {
                RureLog::playback().info(QStringLiteral("tick"));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(capture.count(QStringLiteral("tick")), 2000);
}

TEST(RureLog, recognisesTheJournalOnlyByTheDeviceAndInodeOfTheDescriptor) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    struct stat info {};
    ASSERT_EQ(fstat(file.handle(), &info), 0);
    const QByteArray matching = QByteArray::number(static_cast<qulonglong>(info.st_dev)) + ':' +
                                QByteArray::number(static_cast<qulonglong>(info.st_ino));
    const QByteArray otherInode = QByteArray::number(static_cast<qulonglong>(info.st_dev)) + ':' +
                                  QByteArray::number(static_cast<qulonglong>(info.st_ino + 1));
    EXPECT_TRUE(descriptorIsJournalStream(matching, file.handle()));
    EXPECT_FALSE(descriptorIsJournalStream(otherInode, file.handle()));
    for (const char* malformed : {"", "12", "a:b", "1:2:3", ":"}) {
        EXPECT_FALSE(descriptorIsJournalStream(malformed, file.handle())) << malformed;
    }
    EXPECT_FALSE(descriptorIsJournalStream(matching, -1));
}

} // namespace
} // namespace rure::test
