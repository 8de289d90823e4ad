#include "config/CameraConfigurationError.h"
#include "config/CameraConfigurationStore.h"
#include "settings/CameraListFile.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace rure {
namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

mode_t modeOf(const QString& path) {
    struct stat status {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    return status.st_mode & 07777;
}

class CameraListFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    const CameraConfigurationStore& store() const { return store_; }

private:
    QTemporaryDir dir_;
    CameraConfigurationStore store_{dir_.filePath("store")};
};

const QList<Camera> sample{Camera{"Front door", "rtsp://10.0.0.2/stream1"},
                           Camera{"Yard", "RTSP://yard:8554/live"},
                           Camera{"Front door", "rtsp://10.0.0.2/stream1"},
                           Camera{QStringLiteral("Gar\u00e7on \U0001F4F7"), "rtsp://g/x"}};

TEST_F(CameraListFileTest, ExportedListImportsAgainInTheSameOrder) {
    const QString file = path("rure-cameras.json");
    ASSERT_TRUE(store().exportCameras(sample, file).ok());
    EXPECT_EQ(modeOf(file), mode_t{0600});

    const Result<QList<Camera>> imported = readCameraListFile(file);
    ASSERT_TRUE(imported.ok()) << imported.error().description.toStdString();
    EXPECT_EQ(imported.value(), sample);
}

TEST_F(CameraListFileTest, ExportOverAWiderFileLeavesItOwnerOnly) {
    const QString file = path("shared.json");
    writeBytes(file, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);

    ASSERT_TRUE(store().exportCameras(sample, file).ok());

    EXPECT_EQ(modeOf(file), mode_t{0600});
    EXPECT_EQ(readCameraListFile(file).value(), sample);
    EXPECT_EQ(QDir(path("")).entryList(QDir::Files), QStringList({"shared.json"}));
}

TEST_F(CameraListFileTest, ImportsTheStoresOwnFilesAndDocumentsWithExtraMembers) {
    ASSERT_TRUE(store().save(sample).ok());
    const QString storeDir = path("store");
    EXPECT_EQ(readCameraListFile(storeDir + "/cameras.json").value(), sample);
    EXPECT_EQ(readCameraListFile(storeDir + "/cameras.last-good.json").value(), sample);

    const QString extra = path("extra.json");
    writeBytes(extra, R"({"version": 3, "cameras": [{"name": "", "url": "x", "rotation": 90}]})");
    EXPECT_EQ(readCameraListFile(extra).value(), (QList<Camera>{Camera{"", "x"}}));
}

TEST_F(CameraListFileTest, RefusesFilesThatHoldNoSupportedCameraList) {
    // One text for the user; the log says which kind of file it was.
    const struct {
        const char* name;
        QByteArray bytes;
        const char* logged;
    } documents[] = {
        {"empty-list.json", R"({"cameras": []})", "its list holds no cameras."},
        {"top-level-array.json", R"([{"name": "Door", "url": "rtsp://door"}])",
         "The camera list is not a JSON object."},
        {"not-json.json", "cameras: door", "The camera list is not valid JSON"},
        {"empty.json", "", "The camera list is not valid JSON"},
        {"no-url.json", R"({"cameras": [{"name": "Door"}]})", "Camera 1 has no \"url\" text."},
    };
    for (const auto& document : documents) {
        SCOPED_TRACE(document.name);
        test::LogCapture log;
        writeBytes(path(document.name), document.bytes);
        const Result<QList<Camera>> imported = readCameraListFile(path(document.name));
        ASSERT_FALSE(imported.ok());
        EXPECT_EQ(imported.error(), toError(CameraConfigurationError::invalidFile));
        EXPECT_EQ(imported.error().description,
                  "The selected file does not contain a supported camera list.");
        ASSERT_EQ(log.texts().size(), 1);
        EXPECT_TRUE(log.texts().first().startsWith(
            QStringLiteral("The chosen file is no camera list: ") + document.logged))
            << log.texts().first().toStdString();
    }
}

TEST_F(CameraListFileTest, RefusesWhatIsNoCameraListFileWithoutWaitingOrReadingItAll) {
    constexpr qsizetype limit = CameraConfigurationStore::maximumDocumentSize;
    const auto soundListOfSize = [](qsizetype size) {
        QByteArray bytes = R"({"cameras": [{"name": "Door", "url": "rtsp://door"}]})";
        bytes.append(size - bytes.size(), ' ');
        return bytes;
    };
    writeBytes(path("at-limit.json"), soundListOfSize(limit));
    const Result<QList<Camera>> atLimit = readCameraListFile(path("at-limit.json"));
    ASSERT_TRUE(atLimit.ok()) << atLimit.error().description.toStdString();
    EXPECT_EQ(atLimit.value(), (QList<Camera>{Camera{"Door", "rtsp://door"}}));

    writeBytes(path("over-limit.json"), soundListOfSize(limit + 1));
    {
        QFile sparse(path("sparse.json"));
        ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
        ASSERT_TRUE(sparse.resize(qsizetype{100} << 30));
    }
    // A FIFO without a writer: reading it would wait for one for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("cams.json")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(path("")).mkdir("folder.json"));
    for (const QString& unsuitable :
         {path("over-limit.json"), path("sparse.json"), path("cams.json"), path("folder.json"),
          QStringLiteral("/dev/zero")}) {
        SCOPED_TRACE(unsuitable.toStdString());
        const Result<QList<Camera>> imported = readCameraListFile(unsuitable);
        ASSERT_FALSE(imported.ok());
        EXPECT_EQ(imported.error(), toError(CameraConfigurationError::invalidFile));
    }
}

TEST_F(CameraListFileTest, ReportsFilesThatCannotBeRead) {
    writeBytes(path("plain"), "x");
    for (const QString& unreadable : {path("missing.json"), path("plain/below.json")}) {
        SCOPED_TRACE(unreadable.toStdString());
        const Result<QList<Camera>> imported = readCameraListFile(unreadable);
        ASSERT_FALSE(imported.ok());
        EXPECT_EQ(imported.error().domain, ErrorDomain::file);
        EXPECT_FALSE(imported.error().description.isEmpty());
    }
    const Result<void> exported = store().exportCameras(sample, path("plain/below.json"));
    ASSERT_FALSE(exported.ok());
    EXPECT_FALSE(exported.error().description.isEmpty());
}

} // namespace
} // namespace rure
