// The snapshot's file: its name, made from whatever the camera is called, and
// how it is written into a real folder.
#include "viewer/SnapshotFile.h"
#include "viewer/SnapshotFileName.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <vector>

#include <sys/stat.h>

namespace rure::test {
namespace {

const QDateTime takenAt(QDate(2026, 12, 9), QTime(14, 3, 27));

TEST(SnapshotFileName, everyCameraNameGivesANameEveryFileSystemTakes) {
    const QString smiles = QString(60, QChar(0xe9)); // é: two bytes each
    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");
    const struct {
        QString camera;
        QString expected;
    } cases[] = {
        {QStringLiteral("Porch"), QStringLiteral("Porch")},
        {QStringLiteral("Back/Door: left?"), QStringLiteral("Back-Door- left-")},
        {QStringLiteral("<>:\"/\\|?*"), QStringLiteral("---------")},
        {QStringLiteral("a\tb\nc\x7f"), QStringLiteral("a-b-c-")},
        {QStringLiteral("  ..Hidden.. "), QStringLiteral("Hidden")},
        {QStringLiteral("Yard    East"), QStringLiteral("Yard East")},
        {QStringLiteral("Zero\u200Bwidth"), QStringLiteral("Zerowidth")},
        {QStringLiteral("Caf\u00e9 \u2615"), QStringLiteral("Caf\u00e9 \u2615")},
        {QString(), QStringLiteral("Camera")},
        {QStringLiteral(" . .. "), QStringLiteral("Camera")},
        // Cut to 120 bytes between characters, never inside one.
        {smiles + smiles, smiles},
        {u'a' + grin.repeated(40), u'a' + grin.repeated(29)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.camera.toStdString());
        const QString part = fileNameSafeCameraName(c.camera);
        EXPECT_EQ(part, c.expected);
        const QString longest = snapshotFileName(snapshotFileStem(c.camera, takenAt), 998);
        EXPECT_LE(longest.toUtf8().size(), 255);
        EXPECT_FALSE(longest.startsWith(u'.'));
        for (const QChar character : longest) {
            EXPECT_FALSE(QStringLiteral("<>:\"/\\|?*").contains(character))
                << longest.toStdString();
            EXPECT_GE(character.unicode(), 0x20) << longest.toStdString();
        }
    }
    EXPECT_EQ(snapshotFileStem(QStringLiteral("Porch"), takenAt),
              QStringLiteral("Porch 2026-12-09 14.03.27"));
    EXPECT_EQ(snapshotFileName(QStringLiteral("Porch 2026-12-09 14.03.27"), 0),
              QStringLiteral("Porch 2026-12-09 14.03.27.png"));
    EXPECT_EQ(snapshotFileName(QStringLiteral("Porch 2026-12-09 14.03.27"), 1),
              QStringLiteral("Porch 2026-12-09 14.03.27 2.png"));
}

QImage picture(QColor colour) {
    QImage image(64, 48, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(SnapshotFile, snapshotsOfTheSameSecondGetTheirOwnNamesAndReplaceNothing) {
    QTemporaryDir home;
    const QString folder = home.path() + QStringLiteral("/Pictures/Rure");
    const QString stem = snapshotFileStem(QStringLiteral("Porch"), takenAt);

    const Result<QString> first = saveSnapshotPicture(picture(Qt::red), folder, stem);
    const Result<QString> second = saveSnapshotPicture(picture(Qt::blue), folder, stem);
    ASSERT_TRUE(first.ok()) << first.error().description.toStdString();
    ASSERT_TRUE(second.ok()) << second.error().description.toStdString();
    EXPECT_EQ(first.value(), folder + QStringLiteral("/Porch 2026-12-09 14.03.27.png"));
    EXPECT_EQ(second.value(), folder + QStringLiteral("/Porch 2026-12-09 14.03.27 2.png"));

    // PNG files of the pictures, each its own, owner-only in a private folder.
    for (const auto& [path, colour] :
         {std::pair{first.value(), QColor(Qt::red)}, std::pair{second.value(), QColor(Qt::blue)}}) {
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), QByteArray("png"));
        const QImage read = reader.read();
        EXPECT_EQ(read.size(), QSize(64, 48));
        EXPECT_EQ(read.pixelColor(32, 24), colour);
        EXPECT_EQ(modeOf(path), 0600u) << path.toStdString();
    }
    EXPECT_EQ(modeOf(folder), 0700u);

    // A file someone else put under the next name stays as it was.
    QFile other(folder + QStringLiteral("/Porch 2026-12-09 14.03.27 3.png"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("not ours");
    other.close();
    const Result<QString> fourth = saveSnapshotPicture(picture(Qt::green), folder, stem);
    ASSERT_TRUE(fourth.ok());
    EXPECT_EQ(fourth.value(), folder + QStringLiteral("/Porch 2026-12-09 14.03.27 4.png"));
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), QByteArray("not ours"));

    // No temporary file is left behind.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 4)
        << QDir(folder).entryList(QDir::Files | QDir::Hidden).join(u' ').toStdString();
}

TEST(SnapshotFile, writersRacingForOneNameEachGetAFileOfTheirOwn) {
    QTemporaryDir home;
    const QString folder = home.path() + QStringLiteral("/Rure");
    const QString stem = snapshotFileStem(QStringLiteral("Gate"), takenAt);
    constexpr int writers = 6;
    std::vector<QString> paths(writers);
    QList<QThread*> threads;
    for (int i = 0; i < writers; ++i) {
        threads << QThread::create([&paths, i, folder, stem] {
            const Result<QString> saved =
                saveSnapshotPicture(picture(QColor::fromHsv(i * 50, 255, 255)), folder, stem);
            paths[i] = saved.ok() ? saved.value() : QString();
        });
    }
    for (QThread* thread : threads) {
        thread->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    QStringList distinct(paths.begin(), paths.end());
    distinct.removeDuplicates();
    EXPECT_EQ(distinct.size(), writers) << distinct.join(u'\n').toStdString();
    EXPECT_FALSE(distinct.contains(QString()));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), writers);
}

TEST(SnapshotFile, aFileInThePlaceOfTheFolderIsAClearErrorAndChangesNothing) {
    QTemporaryDir home;
    QFile inTheWay(home.path() + QStringLiteral("/Pictures"));
    ASSERT_TRUE(inTheWay.open(QIODevice::WriteOnly));
    inTheWay.write("a file, not a folder");
    inTheWay.close();

    const Result<QString> saved =
        saveSnapshotPicture(picture(Qt::red), home.path() + QStringLiteral("/Pictures/Rure"),
                            snapshotFileStem(QStringLiteral("Porch"), takenAt));
    ASSERT_FALSE(saved.ok());
    EXPECT_TRUE(saved.error().description.startsWith(
        QStringLiteral("Could not create the folder %1/Pictures").arg(home.path())))
        << saved.error().description.toStdString();
    ASSERT_TRUE(inTheWay.open(QIODevice::ReadOnly));
    EXPECT_EQ(inTheWay.readAll(), QByteArray("a file, not a folder"));

    // Nothing to save is refused as well.
    EXPECT_FALSE(saveSnapshotPicture(QImage(), home.path(), QStringLiteral("Empty")).ok());
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Pictures")});
}

} // namespace
} // namespace rure::test
