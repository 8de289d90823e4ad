#include "installer/location/HelperScripts.h"
#include "installer/location/InstallerTrash.h"

#include "LocationTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

#include <memory>
#include <thread>
#include <vector>

namespace rure::test {
namespace {

const QByteArray executableBytes = "#!/bin/sh\necho installer\n";

struct Completion {
    int calls = 0;
    bool moved = false;
    QThread* thread = nullptr;
};

// The completion outlives a failed test's locals, so its record is shared.
std::function<void(bool)> recordInto(const std::shared_ptr<Completion>& record) {
    return [record](bool moved) {
        ++record->calls;
        record->moved = moved;
        record->thread = QThread::currentThread();
    };
}

void expectCalledOnceOnTheApplicationThread(const std::shared_ptr<Completion>& record) {
    ASSERT_TRUE(waitUntil([&] { return record->calls > 0; }, 60000));
    // Anything still queued would show up here as a second call.
    for (int round = 0; round < 20; ++round) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(record->calls, 1);
    EXPECT_EQ(record->thread, QCoreApplication::instance()->thread());
}

QString writeInstallerItem(const QString& path) {
    EXPECT_TRUE(writeBundle(path, QStringLiteral("com.didirezoror.rure.installer"),
                            QStringLiteral("rizezad-aduz"), executableBytes));
    return path;
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

class WorkingDirectory {
public:
    explicit WorkingDirectory(const QString& path) : previous_(QDir::currentPath()) {
        EXPECT_TRUE(QDir::setCurrent(path));
    }
    ~WorkingDirectory() { QDir::setCurrent(previous_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    QString previous_;
};

qint64 endedProcess() {
    QProcess process;
    process.start(QStringLiteral("/bin/true"), {});
    EXPECT_TRUE(process.waitForStarted());
    const qint64 pid = process.processId();
    EXPECT_TRUE(process.waitForFinished());
    return pid;
}

TEST(InstallerTrash, moveToTrashPutsTheItemIntoTheUsersTrash) {
    struct Row {
        const char* name;
        QString program;
    };
    const std::vector<Row> rows = {
        {"the desktop's recycle command", QString::fromUtf8(InstallerOperations::recycleProgram)},
        {"a recycle command that fails", QStringLiteral("/bin/false")},
        {"a recycle command that leaves the item", QStringLiteral("/bin/true")},
        {"no recycle command", QStringLiteral("/nonexistent/gio")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.program.startsWith(QLatin1String("/usr")) &&
            !QFileInfo(row.program).isExecutable()) {
            continue; // no GIO on this machine; the other rows cover the rest
        }
        PrivateHome home;
        ASSERT_TRUE(home.isValid());
        // The data folder does not exist yet.
        ASSERT_FALSE(QFileInfo::exists(home.dataHome()));
        const QString item =
            writeInstallerItem(home.downloads() + QStringLiteral("/Rizezad Aduz.app"));

        auto record = std::make_shared<Completion>();
        InstallerOperations::moveToTrashUsing(row.program, item, recordInto(record));
        EXPECT_EQ(record->calls, 0) << "the completion ran inside the call";
        expectCalledOnceOnTheApplicationThread(record);

        EXPECT_TRUE(record->moved);
        EXPECT_FALSE(QFileInfo::exists(item));
        EXPECT_EQ(readFile(home.trash() +
                           QStringLiteral("/files/Rizezad Aduz.app/Contents/bin/rizezad-aduz")),
                  executableBytes);
        const QByteArray information =
            readFile(home.trash() + QStringLiteral("/info/Rizezad Aduz.app.trashinfo"));
        // Qt's own Trash support writes the path without escaping; read either way.
        const QRegularExpressionMatch path =
            QRegularExpression(QStringLiteral("^\\[Trash Info\\]\nPath=([^\n]*)\n"))
                .match(QString::fromUtf8(information));
        ASSERT_TRUE(path.hasMatch()) << information.toStdString();
        EXPECT_EQ(QByteArray::fromPercentEncoding(path.captured(1).toUtf8()), item.toUtf8());
    }
}

TEST(InstallerTrash, moveToTrashAnswersOnTheApplicationThreadWhoeverAsks) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    const QString item = writeInstallerItem(home.downloads() + QStringLiteral("/Rizezad Aduz.app"));
    auto record = std::make_shared<Completion>();
    std::thread asker([&] { InstallerOperations::moveToTrash(item, recordInto(record)); });
    asker.join();
    expectCalledOnceOnTheApplicationThread(record);
    EXPECT_TRUE(record->moved);
    EXPECT_FALSE(QFileInfo::exists(item));
}

TEST(InstallerTrash, moveToTrashReportsAnItemThatCannotBeTrashed) {
    for (const QString& program :
         {QString::fromUtf8(InstallerOperations::recycleProgram), QStringLiteral("/bin/false")}) {
        SCOPED_TRACE(program.toStdString());
        PrivateHome home;
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(writeFile(home.downloads() + QStringLiteral("/file"), "a regular file"));
        const QString blocked =
            writeInstallerItem(home.desktop() + QStringLiteral("/Rizezad Aduz.app"));
        // A regular file where the Trash folder belongs.
        ASSERT_TRUE(writeFile(home.trash(), "in the way"));

        // Where a Trash that cannot be set up would wrongly put things.
        QTemporaryDir workingFolder;
        ASSERT_TRUE(workingFolder.isValid());
        const WorkingDirectory inWorkingFolder(workingFolder.path());

        for (const QString& path :
             {home.downloads() + QStringLiteral("/Missing.app"),
              home.downloads() + QStringLiteral("/file/Rizezad Aduz.app"), blocked}) {
            SCOPED_TRACE(path.toStdString());
            auto record = std::make_shared<Completion>();
            InstallerOperations::moveToTrashUsing(program, path, recordInto(record));
            expectCalledOnceOnTheApplicationThread(record);
            EXPECT_FALSE(record->moved);
        }
        EXPECT_EQ(readFile(blocked + QStringLiteral("/Contents/bin/rizezad-aduz")),
                  executableBytes);
        EXPECT_EQ(readFile(home.trash()), "in the way");
        EXPECT_TRUE(entriesOf(workingFolder.path()).isEmpty());
    }
}

TEST(InstallerTrash, moveToTrashAfterExitNeedsAUsableTrash) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    const QString item = writeInstallerItem(home.downloads() + QStringLiteral("/Rizezad Aduz.app"));

    ASSERT_TRUE(writeFile(home.trash(), "in the way"));
    EXPECT_FALSE(InstallerOperations::moveToTrashAfterExit(item));
    ASSERT_TRUE(QFile::remove(home.trash()));

    ASSERT_TRUE(writeFile(home.trash() + QStringLiteral("/info"), "in the way"));
    EXPECT_FALSE(InstallerOperations::moveToTrashAfterExit(item));

    // A data folder below a regular file.
    ASSERT_TRUE(writeFile(home.home() + QStringLiteral("/plain"), "a regular file"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.home() + QStringLiteral("/plain/data")));
    EXPECT_FALSE(InstallerOperations::moveToTrashAfterExit(item));

    EXPECT_EQ(readFile(item + QStringLiteral("/Contents/bin/rizezad-aduz")), executableBytes);
    EXPECT_TRUE(entriesOf(home.trash() + QStringLiteral("/files")).isEmpty());
}

TEST(InstallerTrash, theTrashHelperMovesTheItemOnceItsParentHasEnded) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    // Characters that the Trash's description has to escape.
    const QString item = writeInstallerItem(
        home.downloads() + QStringLiteral("/Für 100% #sicher & mehr/Rizezad Aduz.app"));

    QProcess parent;
    parent.start(QStringLiteral("/bin/sleep"), {QStringLiteral("0.3")});
    ASSERT_TRUE(parent.waitForStarted());
    const QDateTime started = QDateTime::currentDateTime();
    ASSERT_TRUE(InstallerOperations::moveToTrashAfterProcessExits(item, parent.processId()));

    // The parent has not been reaped yet, so it still counts as running.
    EXPECT_TRUE(QFileInfo::exists(item));
    EXPECT_TRUE(entriesOf(home.trash() + QStringLiteral("/files")).isEmpty());
    EXPECT_TRUE(entriesOf(home.trash() + QStringLiteral("/info")).isEmpty());

    ASSERT_TRUE(parent.waitForFinished());
    ASSERT_TRUE(waitUntil(
        [&] {
            return !QFileInfo::exists(item) &&
                   !entriesOf(home.trash() + QStringLiteral("/files")).isEmpty();
        },
        20000));

    const QStringList trashed = entriesOf(home.trash() + QStringLiteral("/files"));
    ASSERT_EQ(trashed.size(), 1);
    const QString name = trashed.first();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Rizezad Aduz [0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-"
                                          "[0-9A-F]{4}-[0-9A-F]{12}\\.app$"))
            .match(name)
            .hasMatch())
        << name.toStdString();
    EXPECT_EQ(readFile(home.trash() + QStringLiteral("/files/") + name +
                       QStringLiteral("/Contents/bin/rizezad-aduz")),
              executableBytes);

    EXPECT_EQ(entriesOf(home.trash() + QStringLiteral("/info")),
              QStringList{name + QStringLiteral(".trashinfo")});
    const QByteArray information =
        readFile(home.trash() + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^\\[Trash Info\\]\nPath=(.*)\nDeletionDate=("
                                          "\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2})\n$"))
            .match(QString::fromUtf8(information));
    ASSERT_TRUE(match.hasMatch()) << information.toStdString();
    EXPECT_EQ(match.captured(1).toUtf8(), QUrl::toPercentEncoding(item, "/"));
    EXPECT_EQ(QByteArray::fromPercentEncoding(match.captured(1).toUtf8()), item.toUtf8());
    const QDateTime deleted = QDateTime::fromString(match.captured(2), Qt::ISODate);
    ASSERT_TRUE(deleted.isValid());
    EXPECT_GE(deleted.secsTo(QDateTime::currentDateTime()), 0);
    EXPECT_GE(started.secsTo(deleted), -1) << "the date is not the local time of the move";
}

TEST(InstallerTrash, theTrashHelperLeavesNoDescriptionWhenTheMoveFails) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    ASSERT_TRUE(QDir().mkpath(home.trash() + QStringLiteral("/files")));
    ASSERT_TRUE(QDir().mkpath(home.trash() + QStringLiteral("/info")));
    const QString information = home.trash() + QStringLiteral("/info/Gone.app.trashinfo");

    QProcess helper;
    helper.start(QString::fromUtf8(InstallerOperations::shellProgram),
                 InstallerOperations::trashHelperArguments(
                     endedProcess(), home.downloads() + QStringLiteral("/Gone.app"),
                     home.trash() + QStringLiteral("/files/Gone.app"), information));
    ASSERT_TRUE(helper.waitForFinished(20000));
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(helper.exitCode(), 0);
    EXPECT_TRUE(entriesOf(home.trash() + QStringLiteral("/files")).isEmpty());
    EXPECT_TRUE(entriesOf(home.trash() + QStringLiteral("/info")).isEmpty());
}

} // namespace
} // namespace rure::test
