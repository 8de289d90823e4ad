#include "ConfigTestSupport.h"
#include "config/CameraConfigurationError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>

namespace rure {
namespace {

using test::ExpectedLogEntry;

const QString noConfiguration = "No camera configuration exists yet.";
const QString primaryInvalid =
    "Primary camera configuration is invalid; attempting owner-only recovery.";

class ConfigStoreLoad : public test::StoreTest {
protected:
    // What lies at a path: its bytes, or a marker and the entries of a directory.
    QString snapshot(const QString& path) const {
        const QFileInfo info(path);
        if (!info.exists()) {
            return "<absent>";
        }
        if (info.isDir()) {
            return "<directory> " + test::entriesIn(path).join(',');
        }
        return QString::fromLatin1(test::readBytes(path).toHex());
    }

    void makeDirectoryWithContent(const QString& path) const {
        ASSERT_TRUE(QDir().mkpath(path));
        test::writeBytes(path + "/inside", "x");
    }
};

TEST_F(ConfigStoreLoad, AbsentCameraListGivesAnEmptyListAndCreatesNothing) {
    const struct {
        const char* label;
        std::function<void()> prepare;
    } cases[] = {
        {"no directory", [] {}},
        {"empty directory", [&] { ASSERT_TRUE(QDir().mkpath(storeDirectory())); }},
        {"only a last-good copy",
         [&] {
             ASSERT_TRUE(QDir().mkpath(storeDirectory()));
             test::writeBytes(lastGoodPath(), encoded(test::sampleCameras()));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        QDir(storeDirectory()).removeRecursively();
        c.prepare();
        const QStringList rootBefore = test::entriesIn(root());
        const QString storeBefore = snapshot(storeDirectory());
        const QString lastGoodBefore = snapshot(lastGoodPath());
        log_.clear();

        const Result<QList<Camera>> result = store().load();

        ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
        EXPECT_TRUE(result.value().isEmpty());
        test::expectLogEntries(log_, {{RureLogLevel::info, noConfiguration}});
        EXPECT_EQ(test::entriesIn(root()), rootBefore);
        EXPECT_EQ(snapshot(storeDirectory()), storeBefore);
        EXPECT_EQ(snapshot(lastGoodPath()), lastGoodBefore);
    }
}

TEST_F(ConfigStoreLoad, SoundCameraListIsReturnedAndCopiedToLastGood) {
    // Hand-written and compact, so a copy made by re-encoding would differ.
    const QByteArray primary =
        R"({"cameras":[{"name":"Garage Bay","url":"rtsp://198.51.100.7/h264","note":1},)"
        R"({"name":"Loading Dock","url":"rtsps://dock.example:322/main"},)"
        R"({"name":"Roof","url":"http://roof.example/mjpeg"}]})";
    const struct {
        const char* label;
        std::function<void()> prepareLastGood;
    } cases[] = {
        {"last-good absent", [] {}},
        {"last-good damaged", [&] { test::writeBytes(lastGoodPath(), "{\"cameras\":[{"); }},
        {"last-good empty list", [&] { test::writeBytes(lastGoodPath(), encoded({})); }},
        {"last-good older list",
         [&] { test::writeBytes(lastGoodPath(), encoded(test::sampleCameras())); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        QDir(storeDirectory()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(storeDirectory()));
        test::writeBytes(cameraListPath(), primary);
        ASSERT_TRUE(QFile::setPermissions(cameraListPath(), QFile::ReadOwner | QFile::WriteOwner |
                                                                QFile::ReadGroup |
                                                                QFile::ReadOther));
        c.prepareLastGood();
        log_.clear();

        const Result<QList<Camera>> result = store().load();

        ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
        EXPECT_EQ(result.value(), test::otherSampleCameras());
        test::expectLogEntries(log_, {{RureLogLevel::info, "Loaded 3 cameras."}});
        EXPECT_EQ(test::readBytes(lastGoodPath()), primary);
        EXPECT_EQ(test::permissions(lastGoodPath()), 0600u);
        // Loading never touches the camera list file, not even its mode.
        EXPECT_EQ(test::readBytes(cameraListPath()), primary);
        EXPECT_EQ(test::permissions(cameraListPath()), 0644u);
        EXPECT_EQ(test::entriesIn(storeDirectory()),
                  QStringList({"cameras.json", "cameras.last-good.json"}));
    }
}

TEST_F(ConfigStoreLoad, SoundCameraListLoadsEvenWhenLastGoodCannotBeRefreshed) {
    ASSERT_TRUE(QDir().mkpath(storeDirectory()));
    test::writeBytes(cameraListPath(), encoded(test::sampleCameras()));
    makeDirectoryWithContent(lastGoodPath());

    const Result<QList<Camera>> result = store().load();

    ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
    EXPECT_EQ(result.value(), test::sampleCameras());
    test::expectLogEntries(log_, {{RureLogLevel::info, "Loaded 2 cameras."}});
    EXPECT_EQ(snapshot(lastGoodPath()), "<directory> inside");
    EXPECT_EQ(test::entriesIn(storeDirectory()),
              QStringList({"cameras.json", "cameras.last-good.json"}));
}

struct ExpectedError {
    ErrorDomain domain;
    int code;
    QString description;
    bool descriptionIsPrefix = false;
};

void expectError(const Error& error, const ExpectedError& expected) {
    EXPECT_EQ(error.domain, expected.domain);
    EXPECT_EQ(error.code, expected.code);
    if (expected.descriptionIsPrefix) {
        EXPECT_TRUE(error.description.startsWith(expected.description))
            << error.description.toStdString();
    } else {
        EXPECT_EQ(error.description, expected.description);
    }
}

TEST_F(ConfigStoreLoad, InvalidCameraListIsAnsweredFromASoundLastGoodCopyOnly) {
    enum class Primary { damaged, unreadable, emptyList };
    enum class LastGood { absent, sound, damaged, emptyList, unreadable };

    const QString isDirectory = qt_error_string(EISDIR);
    const ExpectedError noCameras{ErrorDomain::cameraConfiguration,
                                  static_cast<int>(CameraConfigurationError::noCameras),
                                  "No cameras were found."};
    const ExpectedError primaryDamaged{ErrorDomain::json, 0,
                                       "The camera list is not valid JSON: ", true};
    const ExpectedError primaryUnreadable{
        ErrorDomain::file, EISDIR, "Could not read " + cameraListPath() + ": " + isDirectory};
    const ExpectedError lastGoodDamaged{ErrorDomain::json, 0, R"(Camera 2 has no "url" text.)"};
    const ExpectedError lastGoodUnreadable{ErrorDomain::file, EISDIR,
                                           "Could not read " + lastGoodPath() + ": " + isDirectory};

    const auto primaryError = [&](Primary primary) {
        switch (primary) {
        case Primary::damaged:
            return primaryDamaged;
        case Primary::unreadable:
            return primaryUnreadable;
        case Primary::emptyList:
            break;
        }
        return noCameras;
    };

    for (const Primary primary : {Primary::damaged, Primary::unreadable, Primary::emptyList}) {
        for (const LastGood lastGood : {LastGood::absent, LastGood::sound, LastGood::damaged,
                                        LastGood::emptyList, LastGood::unreadable}) {
            SCOPED_TRACE(testing::Message() << "primary case " << static_cast<int>(primary)
                                            << ", last-good case " << static_cast<int>(lastGood));
            QDir(storeDirectory()).removeRecursively();
            ASSERT_TRUE(QDir().mkpath(storeDirectory()));
            switch (primary) {
            case Primary::damaged:
                test::writeBytes(cameraListPath(), encoded(test::sampleCameras()).chopped(3));
                break;
            case Primary::unreadable:
                makeDirectoryWithContent(cameraListPath());
                break;
            case Primary::emptyList:
                test::writeBytes(cameraListPath(), encoded({}));
                break;
            }
            switch (lastGood) {
            case LastGood::absent:
                break;
            case LastGood::sound:
                test::writeBytes(lastGoodPath(), encoded(test::otherSampleCameras()));
                break;
            case LastGood::damaged:
                test::writeBytes(
                    lastGoodPath(),
                    R"({"cameras":[{"name":"Garage Bay","url":"rtsp://198.51.100.7/h264"},
                                                {"name":"Roof"}]})");
                break;
            case LastGood::emptyList:
                test::writeBytes(lastGoodPath(), R"({"cameras":[]})");
                break;
            case LastGood::unreadable:
                makeDirectoryWithContent(lastGoodPath());
                break;
            }
            const QString cameraListBefore = snapshot(cameraListPath());
            const QString lastGoodBefore = snapshot(lastGoodPath());
            const QStringList entriesBefore = test::entriesIn(storeDirectory());
            log_.clear();

            const Result<QList<Camera>> result = store().load();

            if (lastGood == LastGood::sound) {
                ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
                EXPECT_EQ(result.value(), test::otherSampleCameras());
                test::expectLogEntries(
                    log_, {{RureLogLevel::error, primaryInvalid},
                           {RureLogLevel::standard,
                            "Recovered 3 cameras from the last-known-good configuration."}});
            } else {
                ASSERT_FALSE(result.ok());
                switch (lastGood) {
                case LastGood::absent:
                    expectError(result.error(), primaryError(primary));
                    break;
                case LastGood::damaged:
                    expectError(result.error(), lastGoodDamaged);
                    break;
                case LastGood::emptyList:
                    expectError(result.error(), noCameras);
                    break;
                case LastGood::unreadable:
                    expectError(result.error(), lastGoodUnreadable);
                    break;
                case LastGood::sound:
                    break;
                }
                test::expectLogEntries(log_, {{RureLogLevel::error, primaryInvalid}});
            }
            // Recovery writes nothing: both files as they were, no temporary files.
            EXPECT_EQ(snapshot(cameraListPath()), cameraListBefore);
            EXPECT_EQ(snapshot(lastGoodPath()), lastGoodBefore);
            EXPECT_EQ(test::entriesIn(storeDirectory()), entriesBefore);
        }
    }
}

TEST_F(ConfigStoreLoad, HundredMegabytesOfGarbageAreRejectedAndLeftAlone) {
    constexpr qsizetype size = 100 * 1024 * 1024;
    ASSERT_TRUE(QDir().mkpath(storeDirectory()));
    QByteArray hashBefore;
    {
        QByteArray garbage(size, Qt::Uninitialized);
        std::mt19937 generator(7);
        for (qsizetype i = 0; i < size; i += 4) {
            const std::uint32_t word = generator();
            std::memcpy(garbage.data() + i, &word, 4);
        }
        // A start that the JSON reader must look into before giving up.
        garbage.replace(0, 14, "{\"cameras\":[{\"");
        test::writeBytes(cameraListPath(), garbage);
        hashBefore = QCryptographicHash::hash(garbage, QCryptographicHash::Sha256);
    }

    const Result<QList<Camera>> result = store().load();

    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().domain, ErrorDomain::json);
    test::expectLogEntries(log_, {{RureLogLevel::error, primaryInvalid}});
    EXPECT_EQ(QFileInfo(cameraListPath()).size(), size);
    QFile file(cameraListPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    ASSERT_TRUE(hash.addData(&file));
    EXPECT_EQ(hash.result(), hashBefore);
    EXPECT_EQ(test::entriesIn(storeDirectory()), QStringList({"cameras.json"}));
}

} // namespace
} // namespace rure
