#include "ConfigTestSupport.h"
#include "config/CameraConfiguration.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace rure {
namespace {

const QString savedSample = "Saved 2 cameras and refreshed the owner-only recovery copy.";
const QString recoveryCopyFailed =
    "The camera list was saved, but its recovery copy could not be refreshed.";

class ConfigStoreSave : public test::StoreTest {};

// Sets the process umask for one scope.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t previous_;
};

TEST_F(ConfigStoreSave, CreatesOwnerOnlyFoldersAndFilesWhateverTheUmask) {
    ASSERT_TRUE(QFile::setPermissions(
        root(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    for (const mode_t mask : {mode_t(022), mode_t(077), mode_t(0), mode_t(0777)}) {
        SCOPED_TRACE(testing::Message() << "umask " << std::oct << mask);
        const QString top = root() + "/top";
        QDir(top).removeRecursively();
        const QString directory = top + "/middle/rure";
        const CameraConfigurationStore store(directory);
        log_.clear();

        Result<void> result = Result<void>::success();
        {
            const ScopedUmask umask(mask);
            result = store.save(test::sampleCameras());
        }

        ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
        const QByteArray expected = encoded(test::sampleCameras());
        EXPECT_EQ(test::readBytes(directory + "/cameras.json"), expected);
        EXPECT_EQ(test::readBytes(directory + "/cameras.last-good.json"), expected);
        EXPECT_EQ(test::permissions(directory + "/cameras.json"), 0600u);
        EXPECT_EQ(test::permissions(directory + "/cameras.last-good.json"), 0600u);
        EXPECT_EQ(test::permissions(top), 0700u);
        EXPECT_EQ(test::permissions(top + "/middle"), 0700u);
        EXPECT_EQ(test::permissions(directory), 0700u);
        EXPECT_EQ(test::permissions(root()), 0755u);
        EXPECT_EQ(test::entriesIn(directory),
                  QStringList({"cameras.json", "cameras.last-good.json"}));
        test::expectLogEntries(log_, {{RureLogLevel::info, savedSample}});

        const Result<QList<Camera>> loaded = store.load();
        ASSERT_TRUE(loaded.ok());
        EXPECT_EQ(loaded.value(), test::sampleCameras());
    }
}

TEST_F(ConfigStoreSave, ExistingFolderKeepsItsModeAndFilesBecomeOwnerOnly) {
    ASSERT_EQ(::mkdir(QFile::encodeName(storeDirectory()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(storeDirectory()).constData(), 0755), 0);
    test::writeBytes(cameraListPath(), "old list");
    test::writeBytes(lastGoodPath(), "old copy");
    for (const QString& path : {cameraListPath(), lastGoodPath()}) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    }

    const Result<void> result = store().save(test::otherSampleCameras());

    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    EXPECT_EQ(test::permissions(storeDirectory()), 0755u);
    for (const QString& path : {cameraListPath(), lastGoodPath()}) {
        EXPECT_EQ(test::readBytes(path), encoded(test::otherSampleCameras()));
        EXPECT_EQ(test::permissions(path), 0600u);
    }
    test::expectLogEntries(log_, {{RureLogLevel::info,
                                   "Saved 3 cameras and refreshed the owner-only recovery copy."}});
}

TEST_F(ConfigStoreSave, AnEmptyListIsSavedAsSuch) {
    const Result<void> result = store().save({});

    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    EXPECT_EQ(test::readBytes(cameraListPath()), QByteArray("{\n  \"cameras\" : []\n}"));
    EXPECT_EQ(test::readBytes(lastGoodPath()), QByteArray("{\n  \"cameras\" : []\n}"));
    test::expectLogEntries(log_, {{RureLogLevel::info,
                                   "Saved 0 cameras and refreshed the owner-only recovery copy."}});
}

TEST_F(ConfigStoreSave, SucceedsWhenOnlyTheRecoveryCopyCannotBeWritten) {
    ASSERT_TRUE(QDir().mkpath(lastGoodPath()));

    const Result<void> result = store().save(test::sampleCameras());

    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    EXPECT_EQ(test::readBytes(cameraListPath()), encoded(test::sampleCameras()));
    EXPECT_EQ(test::permissions(cameraListPath()), 0600u);
    EXPECT_TRUE(QFileInfo(lastGoodPath()).isDir());
    test::expectLogEntries(log_, {{RureLogLevel::error, recoveryCopyFailed}});
    EXPECT_EQ(test::entriesIn(storeDirectory()),
              QStringList({"cameras.json", "cameras.last-good.json"}));
}

TEST_F(ConfigStoreSave, FailsWithoutWritingWhenTheFolderLiesBelowAFile) {
    const QString blocker = root() + "/blocker";
    test::writeBytes(blocker, "a regular file");
    const QStringList before = test::entriesIn(root());
    const CameraConfigurationStore store(blocker + "/deeper/rure");

    const Result<void> result = store.save(test::sampleCameras());

    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().domain, ErrorDomain::file);
    EXPECT_EQ(result.error().code, ENOTDIR);
    EXPECT_TRUE(result.error().description.startsWith("Could not create the folder "))
        << result.error().description.toStdString();
    EXPECT_EQ(test::readBytes(blocker), QByteArray("a regular file"));
    EXPECT_EQ(test::entriesIn(root()), before);
    test::expectLogEntries(log_, {});
}

TEST_F(ConfigStoreSave, FailsAndKeepsTheRecoveryCopyWhenTheCameraListCannotBeReplaced) {
    ASSERT_TRUE(QDir().mkpath(cameraListPath()));
    test::writeBytes(cameraListPath() + "/inside", "x");
    const QByteArray lastGood = encoded(test::otherSampleCameras());
    test::writeBytes(lastGoodPath(), lastGood);

    const Result<void> result = store().save(test::sampleCameras());

    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().domain, ErrorDomain::file);
    EXPECT_EQ(result.error().code, EISDIR);
    EXPECT_EQ(result.error().description,
              "Could not replace " + cameraListPath() + ": " + qt_error_string(EISDIR));
    EXPECT_EQ(test::readBytes(lastGoodPath()), lastGood);
    EXPECT_EQ(test::entriesIn(cameraListPath()), QStringList({"inside"}));
    // The temporary file is gone too.
    EXPECT_EQ(test::entriesIn(storeDirectory()),
              QStringList({"cameras.json", "cameras.last-good.json"}));
    test::expectLogEntries(log_, {});
}

} // namespace
} // namespace rure
