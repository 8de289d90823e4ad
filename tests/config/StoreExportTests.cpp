#include "ConfigTestSupport.h"
#include "config/CameraConfigurationError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace rure {
namespace {

class ConfigStoreExport : public test::StoreTest {};

TEST_F(ConfigStoreExport, RefusesAnEmptyListAndLeavesTheDestinationAlone) {
    const QString existing = root() + "/existing.json";
    test::writeBytes(existing, "keep me");
    const QString absent = root() + "/absent.json";

    for (const QString& destination : {existing, absent}) {
        const Result<void> result = store().exportCameras({}, destination);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error(), toError(CameraConfigurationError::noCameras));
        EXPECT_EQ(result.error().description, "No cameras were found.");
    }
    EXPECT_EQ(test::readBytes(existing), QByteArray("keep me"));
    EXPECT_EQ(test::entriesIn(root()), QStringList({"existing.json"}));
}

TEST_F(ConfigStoreExport, ReplacesAnExistingFileWithAnOwnerOnlyOne) {
    const QString destination = root() + "/cameras export.json";
    test::writeBytes(destination, "previous content that is longer than nothing");
    ASSERT_EQ(::chmod(QFile::encodeName(destination).constData(), 0644), 0);

    const Result<void> result = store().exportCameras(test::sampleCameras(), destination);

    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    EXPECT_EQ(test::readBytes(destination), encoded(test::sampleCameras()));
    EXPECT_EQ(test::permissions(destination), 0600u);
    EXPECT_EQ(test::entriesIn(root()), QStringList({"cameras export.json"}));
    // Export leaves the store itself alone.
    EXPECT_FALSE(QFileInfo::exists(storeDirectory()));
}

TEST_F(ConfigStoreExport, CreatesANewOwnerOnlyFile) {
    const QString destination = root() + "/new.json";

    const Result<void> result = store().exportCameras(test::otherSampleCameras(), destination);

    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    EXPECT_EQ(test::readBytes(destination), encoded(test::otherSampleCameras()));
    EXPECT_EQ(test::permissions(destination), 0600u);
}

TEST_F(ConfigStoreExport, FailsWhenTheDestinationCannotBeWritten) {
    const QString occupied = root() + "/occupied";
    ASSERT_TRUE(QDir().mkpath(occupied));
    const struct {
        const char* label;
        QString destination;
        int code;
    } cases[] = {
        {"missing folder", root() + "/missing/cameras.json", ENOENT},
        {"below a regular file", root() + "/file/cameras.json", ENOTDIR},
        {"a folder in the way", occupied, EISDIR},
    };
    test::writeBytes(root() + "/file", "plain");
    const QStringList before = test::entriesIn(root());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const Result<void> result = store().exportCameras(test::sampleCameras(), c.destination);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().domain, ErrorDomain::file);
        EXPECT_EQ(result.error().code, c.code);
        EXPECT_TRUE(result.error().description.endsWith(qt_error_string(c.code)))
            << result.error().description.toStdString();
        EXPECT_EQ(test::entriesIn(root()), before);
    }
    EXPECT_TRUE(test::entriesIn(occupied).isEmpty());
    EXPECT_EQ(test::readBytes(root() + "/file"), QByteArray("plain"));
}

} // namespace
} // namespace rure
