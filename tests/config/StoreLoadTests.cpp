#include "ConfigTestSupport.h"
#include "config/CameraConfigurationError.h"
#include "config/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

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
        // Loading never changes the camera list file's content; it narrows its mode.
        EXPECT_EQ(test::readBytes(cameraListPath()), primary);
        EXPECT_EQ(test::permissions(cameraListPath()), 0600u);
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

void setMode(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
}

TEST_F(ConfigStoreLoad, OversizedCameraListIsDamagedAndLeftAlone) {
    constexpr qsizetype limit = CameraConfigurationStore::maximumDocumentSize;
    const auto soundListOfSize = [](qsizetype size) {
        QByteArray bytes = encoded(test::otherSampleCameras());
        bytes.append(size - bytes.size(), ' ');
        return bytes;
    };
    const struct {
        const char* label;
        qsizetype size;
        // Writes the camera list file; a sparse file takes no room on the disk.
        std::function<void()> write;
    } lists[] = {
        {"100 GiB sparse file", qsizetype{100} << 30,
         [&] {
             QFile file(cameraListPath());
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             ASSERT_TRUE(file.resize(qsizetype{100} << 30));
         }},
        {"sound list at the limit", limit,
         [&] { test::writeBytes(cameraListPath(), soundListOfSize(limit)); }},
        {"sound list one byte over the limit", limit + 1,
         [&] { test::writeBytes(cameraListPath(), soundListOfSize(limit + 1)); }},
    };
    const ExpectedError tooLarge{ErrorDomain::file, EFBIG,
                                 "Could not read " + cameraListPath() +
                                     ": It is larger than 4 MiB."};
    for (const auto& list : lists) {
        for (const bool lastGoodIsSound : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << list.label << (lastGoodIsSound ? ", sound last-good copy" : ""));
            QDir(storeDirectory()).removeRecursively();
            ASSERT_TRUE(QDir().mkpath(storeDirectory()));
            list.write();
            if (lastGoodIsSound) {
                test::writeBytes(lastGoodPath(), encoded(test::sampleCameras()));
            }
            log_.clear();

            const Result<QList<Camera>> result = store().load();

            if (list.size <= limit) {
                ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
                EXPECT_EQ(result.value(), test::otherSampleCameras());
                EXPECT_EQ(test::readBytes(lastGoodPath()), soundListOfSize(limit));
            } else if (lastGoodIsSound) {
                ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
                EXPECT_EQ(result.value(), test::sampleCameras());
                test::expectLogEntries(
                    log_, {{RureLogLevel::error, primaryInvalid},
                           {RureLogLevel::standard,
                            "Recovered 2 cameras from the last-known-good configuration."}});
                EXPECT_EQ(test::readBytes(lastGoodPath()), encoded(test::sampleCameras()));
            } else {
                ASSERT_FALSE(result.ok());
                expectError(result.error(), tooLarge);
                test::expectLogEntries(log_, {{RureLogLevel::error, primaryInvalid}});
            }
            EXPECT_EQ(QFileInfo(cameraListPath()).size(), list.size);
            if (list.size <= limit + 1) {
                EXPECT_EQ(test::readBytes(cameraListPath()), soundListOfSize(list.size));
            }
            const QStringList expectedEntries =
                lastGoodIsSound || list.size <= limit
                    ? QStringList({"cameras.json", "cameras.last-good.json"})
                    : QStringList({"cameras.json"});
            EXPECT_EQ(test::entriesIn(storeDirectory()), expectedEntries);
        }
    }
}

TEST_F(ConfigStoreLoad, ListReadableByOthersIsRestrictedToItsOwner) {
    const QByteArray damaged = encoded(test::sampleCameras()).chopped(3);
    const struct {
        const char* label;
        QByteArray cameraList;
        mode_t directoryBefore, cameraListBefore, lastGoodBefore;
        mode_t directoryAfter, cameraListAfter, lastGoodAfter;
    } cases[] = {
        {"sound list", encoded(test::sampleCameras()), 0755, 0644, 0666, 0700, 0600, 0600},
        {"damaged list, recovered", damaged, 0777, 0666, 0644, 0700, 0600, 0600},
        {"setuid bits and execute bits", damaged, 04777, 02755, 0711, 0700, 0600, 0600},
        // Only ever narrowed: owner bits that are missing stay missing.
        {"narrower modes", damaged, 0500, 0400, 0440, 0500, 0400, 0400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        QDir(storeDirectory()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(storeDirectory()));
        test::writeBytes(cameraListPath(), c.cameraList);
        test::writeBytes(lastGoodPath(), encoded(test::otherSampleCameras()));
        setMode(cameraListPath(), c.cameraListBefore);
        setMode(lastGoodPath(), c.lastGoodBefore);
        setMode(storeDirectory(), c.directoryBefore);

        const Result<QList<Camera>> result = store().load();

        ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
        EXPECT_EQ(test::permissions(storeDirectory()), c.directoryAfter);
        EXPECT_EQ(test::permissions(cameraListPath()), c.cameraListAfter);
        EXPECT_EQ(test::permissions(lastGoodPath()), c.lastGoodAfter);
        EXPECT_EQ(test::readBytes(cameraListPath()), c.cameraList);
        setMode(storeDirectory(), 0700);
    }
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

// Gives `path` to another user; only root can.
void giveAway(const QString& path) {
    ASSERT_EQ(::lchown(QFile::encodeName(path).constData(), 65534, 65534), 0);
}

// What lies at a path, never following a link nor opening a FIFO.
QString entryAt(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() ? "<link> " + info.symLinkTarget()
           : !info.exists() ? QStringLiteral("<absent>")
           : !info.isFile() ? QStringLiteral("<other>")
                            : QString::fromLatin1(test::readBytes(path).toHex());
}

TEST_F(ConfigStoreLoad, ListsThatAreNotTheUsersOwnRegularFilesAreDamaged) {
    // What lies at a store file's name: a link goes to a sound list elsewhere.
    enum Entry { absent, sound, link, fifo, othersList };
    const int refusal[] = {0, 0, ELOOP, EINVAL, EPERM};
    const QString elsewhere = root() + "/elsewhere.json";
    const auto place = [&](Entry entry, const QString& path, const QList<Camera>& cameras) {
        if (entry == sound || entry == othersList) {
            test::writeBytes(path, encoded(cameras));
            setMode(path, 0600);
        }
        if (entry == link) {
            ASSERT_TRUE(QFile::link(elsewhere, path));
        }
        if (entry == fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        if (entry == othersList) {
            giveAway(path);
        }
    };
    const QList<Camera> lastGoodCameras{test::sampleCameras().first()};
    const struct {
        Entry cameraList;
        Entry lastGood;
    } cases[] = {
        // A damaged camera list, answered by a sound last-good copy only.
        {link, absent},
        {link, sound},
        {fifo, sound},
        {othersList, absent},
        {othersList, sound},
        {fifo, link},
        {fifo, fifo},
        {link, othersList},
        // A sound camera list replaces such a last-good copy, never writing through it.
        {sound, link},
        {sound, fifo},
        {sound, othersList},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "list " << c.cameraList << ", last-good " << c.lastGood);
        if (!runningAsRoot() && (c.cameraList == othersList || c.lastGood == othersList)) {
            continue; // reported as skipped below
        }
        QDir(storeDirectory()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(storeDirectory()));
        test::writeBytes(elsewhere, encoded(test::sampleCameras()));
        place(c.cameraList, cameraListPath(), test::otherSampleCameras());
        place(c.lastGood, lastGoodPath(), lastGoodCameras);
        const QString cameraListBefore = entryAt(cameraListPath());
        const QString lastGoodBefore = entryAt(lastGoodPath());

        const Result<QList<Camera>> result = store().load();

        if (c.cameraList == sound) {
            ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
            EXPECT_EQ(entryAt(lastGoodPath()), cameraListBefore);
        } else {
            EXPECT_EQ(entryAt(lastGoodPath()), lastGoodBefore) << "nothing copied or followed";
            if (c.lastGood == sound) {
                ASSERT_TRUE(result.ok()) << result.error().description.toStdString();
                EXPECT_EQ(result.value(), lastGoodCameras);
            } else {
                ASSERT_FALSE(result.ok());
                EXPECT_EQ(result.error().code,
                          refusal[c.lastGood == absent ? c.cameraList : c.lastGood]);
            }
        }
        EXPECT_EQ(entryAt(cameraListPath()), cameraListBefore);
        EXPECT_EQ(test::readBytes(elsewhere), encoded(test::sampleCameras()));
    }
    if (!runningAsRoot()) {
        GTEST_SKIP() << "the cases of another user's files need root to give files away";
    }
}

TEST_F(ConfigStoreLoad, ModesOfLinkedListsAndOfOtherOwnersFilesStayAsTheyAre) {
    // A camera list file that links elsewhere: the target is not the store's.
    ASSERT_TRUE(QDir().mkpath(storeDirectory()));
    const QString elsewhere = root() + "/elsewhere.json";
    test::writeBytes(elsewhere, encoded(test::sampleCameras()));
    setMode(elsewhere, 0644);
    ASSERT_TRUE(QFile::link(elsewhere, cameraListPath()));

    Result<QList<Camera>> result = store().load();

    EXPECT_FALSE(result.ok()) << "a link is never followed";
    EXPECT_EQ(test::permissions(elsewhere), 0644u);
    EXPECT_FALSE(entryExists(lastGoodPath()));

    // Files of another user (only root can give them away).
    QDir(storeDirectory()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(storeDirectory()));
    test::writeBytes(cameraListPath(), encoded(test::sampleCameras()).chopped(3));
    test::writeBytes(lastGoodPath(), encoded(test::otherSampleCameras()));
    setMode(cameraListPath(), 0644);
    setMode(lastGoodPath(), 0644);
    setMode(storeDirectory(), 0755);
    constexpr uid_t otherUser = 4242;
    for (const QString& path : {cameraListPath(), lastGoodPath(), storeDirectory()}) {
        if (::chown(QFile::encodeName(path).constData(), otherUser, otherUser) != 0) {
            GTEST_SKIP() << "only root can give files away";
        }
    }

    result = store().load();

    EXPECT_FALSE(result.ok()) << "another user's last-good copy is not trusted";
    EXPECT_EQ(test::permissions(cameraListPath()), 0644u);
    EXPECT_EQ(test::permissions(lastGoodPath()), 0644u);
    EXPECT_EQ(test::permissions(storeDirectory()), 0755u);
}

} // namespace
} // namespace rure
