#include "installer/location/HelperScripts.h"
#include "installer/location/InstallerRelaunch.h"

#include "LocationTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <vector>

namespace rure::test {
namespace {

const QByteArray desktopEntry = "[Desktop Entry]\nType=Application\nName=Rure\n"
                                "Exec=/opt/Rure.app/Contents/bin/rure\nIcon=com.didirezoror.rure\n";
const QByteArray icon = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 16 16\"/>\n";

// A viewer bundle whose bin/rure only records how it was started: its own
// /proc stat line and where its standard output goes, into `marker`.
struct FakeViewer {
    QString application;
    QString executable;
    QString marker;
};

FakeViewer writeFakeViewer(const QString& folder) {
    FakeViewer viewer;
    viewer.application = folder + QStringLiteral("/Rure.app");
    viewer.executable = viewer.application + QStringLiteral("/Contents/bin/rure");
    viewer.marker = folder + QStringLiteral("/viewer-started");
    const QString resources = viewer.application + QStringLiteral("/Contents/Resources/");
    EXPECT_TRUE(
        writeFile(resources + QStringLiteral("com.didirezoror.rure.desktop"), desktopEntry));
    EXPECT_TRUE(writeFile(resources + QStringLiteral("com.didirezoror.rure.svg"), icon));
    return viewer;
}

QByteArray fakeViewerScript(const FakeViewer& viewer) {
    const QByteArray marker = QFile::encodeName(viewer.marker);
    return "#!/bin/sh\n"
           "read -r stat </proc/$$/stat\n"
           "output=$(/bin/readlink /proc/$$/fd/1)\n"
           "printf '%s\\n%s\\n' \"$stat\" \"$output\" >'" +
           marker + ".partial'\n/bin/mv '" + marker + ".partial' '" + marker + "'\n";
}

// Installs bin/rure; its execute permission comes last, so that a helper never
// sees a half-written program it may run.
void installFakeViewerProgram(const FakeViewer& viewer) {
    ASSERT_TRUE(writeFile(viewer.executable, fakeViewerScript(viewer)));
    ASSERT_TRUE(QFile::setPermissions(viewer.executable, QFile::permissions(viewer.executable) |
                                                             QFile::ExeOwner | QFile::ExeGroup |
                                                             QFile::ExeOther));
}

// The started viewer ran in a session of its own with output to /dev/null.
void expectStartedDetached(const FakeViewer& viewer) {
    const QList<QByteArray> lines = readFile(viewer.marker).split('\n');
    ASSERT_GE(lines.size(), 2);
    const QByteArray& stat = lines[0];
    const qsizetype commandEnd = stat.lastIndexOf(')');
    ASSERT_GT(commandEnd, 0) << stat.toStdString();
    const QList<QByteArray> fields = stat.mid(commandEnd + 2).split(' ');
    ASSERT_GE(fields.size(), 4) << stat.toStdString();
    // After the command: state, parent, process group, session.
    EXPECT_EQ(fields[3], stat.left(stat.indexOf(' '))) << "not the leader of its own session";
    EXPECT_EQ(lines[1], "/dev/null");
}

void expectRegistered(const QString& dataHome) {
    EXPECT_EQ(readFile(dataHome + QStringLiteral("/applications/com.didirezoror.rure.desktop")),
              desktopEntry);
    EXPECT_EQ(readFile(dataHome +
                       QStringLiteral("/icons/hicolor/scalable/apps/com.didirezoror.rure.svg")),
              icon);
}

qint64 endedProcess() {
    QProcess process;
    process.start(QStringLiteral("/bin/true"), {});
    EXPECT_TRUE(process.waitForStarted());
    const qint64 pid = process.processId();
    EXPECT_TRUE(process.waitForFinished());
    return pid;
}

// Whether `parent` has a child process running exactly `commandLine`.
bool hasChildRunning(qint64 parent, const QStringList& commandLine) {
    QByteArray expected;
    for (const QString& argument : commandLine) {
        expected += QFile::encodeName(argument) + '\0';
    }
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& process : processes) {
        bool isNumber = false;
        process.toLongLong(&isNumber);
        if (!isNumber) {
            continue;
        }
        const QString folder = QStringLiteral("/proc/") + process;
        const QByteArray stat = readFile(folder + QStringLiteral("/stat"));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == parent &&
            readFile(folder + QStringLiteral("/cmdline")) == expected) {
            return true;
        }
    }
    return false;
}

TEST(OpenHelper, registersTheViewerAndStartsItOnceTheInstallerHasEnded) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    const FakeViewer viewer = writeFakeViewer(home.root());
    installFakeViewerProgram(viewer);

    QProcess installer;
    installer.start(QStringLiteral("/bin/sleep"), {QStringLiteral("0.3")});
    ASSERT_TRUE(installer.waitForStarted());
    ASSERT_TRUE(
        InstallerOperations::openRureAfterProcessExits(viewer.application, installer.processId()));
    // Not reaped yet, so the installer still counts as running.
    EXPECT_FALSE(QFileInfo::exists(viewer.marker));
    EXPECT_FALSE(QFileInfo::exists(home.dataHome()));

    ASSERT_TRUE(installer.waitForFinished());
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(viewer.marker); }, 20000));
    expectStartedDetached(viewer);
    // The data folder given to the helper is the one of this process's environment.
    expectRegistered(home.dataHome());
}

TEST(OpenHelper, keepsTryingUntilTheViewerCanStart) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    const FakeViewer viewer = writeFakeViewer(home.root());

    QProcess helper;
    helper.start(QString::fromUtf8(InstallerOperations::shellProgram),
                 InstallerOperations::openHelperArguments(endedProcess(), viewer.application,
                                                          home.dataHome()));
    ASSERT_TRUE(helper.waitForStarted());
    // A pause between attempts shows that one attempt has failed.
    ASSERT_TRUE(waitUntil(
        [&] {
            return hasChildRunning(helper.processId(),
                                   {QStringLiteral("/bin/sleep"), QStringLiteral("0.25")});
        },
        20000));
    EXPECT_FALSE(QFileInfo::exists(viewer.marker));
    installFakeViewerProgram(viewer);

    ASSERT_TRUE(helper.waitForFinished(20000));
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(helper.exitCode(), 0);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(viewer.marker); }, 20000));
    expectStartedDetached(viewer);
    expectRegistered(home.dataHome());
}

TEST(OpenHelper, givesUpWithStatusOneWhenTheViewerCannotStart) {
    struct Row {
        const char* name;
        std::function<void(const FakeViewer&)> prepare;
    };
    const std::vector<Row> rows = {
        {"no program", [](const FakeViewer&) {}},
        {"a folder in its place",
         [](const FakeViewer& viewer) { ASSERT_TRUE(QDir().mkpath(viewer.executable)); }},
        {"not executable",
         [](const FakeViewer& viewer) {
             ASSERT_TRUE(writeFile(viewer.executable, fakeViewerScript(viewer)));
             ASSERT_TRUE(
                 QFile::setPermissions(viewer.executable, QFile::ReadOwner | QFile::WriteOwner));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PrivateHome home;
        ASSERT_TRUE(home.isValid());
        const FakeViewer viewer = writeFakeViewer(home.root());
        row.prepare(viewer);

        QProcess helper;
        helper.start(QString::fromUtf8(InstallerOperations::shellProgram),
                     InstallerOperations::openHelperArguments(endedProcess(), viewer.application,
                                                              home.dataHome(), 3));
        ASSERT_TRUE(helper.waitForFinished(20000));
        EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(helper.exitCode(), 1);
        EXPECT_FALSE(QFileInfo::exists(viewer.marker));
        // Registration comes first and does not depend on the start.
        expectRegistered(home.dataHome());
    }
}

TEST(OpenHelper, aFailedRegistrationDoesNotStopTheStart) {
    PrivateHome home;
    ASSERT_TRUE(home.isValid());
    const FakeViewer viewer = writeFakeViewer(home.root());
    installFakeViewerProgram(viewer);
    ASSERT_TRUE(QFile::remove(viewer.application +
                              QStringLiteral("/Contents/Resources/com.didirezoror.rure.svg")));
    ASSERT_TRUE(writeFile(home.home() + QStringLiteral("/plain"), "a regular file"));

    for (const QString& dataHome : {home.home() + QStringLiteral("/plain/data"), home.dataHome()}) {
        SCOPED_TRACE(dataHome.toStdString());
        QFile::remove(viewer.marker);
        QProcess helper;
        helper.start(QString::fromUtf8(InstallerOperations::shellProgram),
                     InstallerOperations::openHelperArguments(endedProcess(), viewer.application,
                                                              dataHome, 3));
        ASSERT_TRUE(helper.waitForFinished(20000));
        EXPECT_EQ(helper.exitCode(), 0);
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(viewer.marker); }, 20000));
    }
    // The desktop entry arrived although the icon was missing.
    EXPECT_EQ(
        readFile(home.dataHome() + QStringLiteral("/applications/com.didirezoror.rure.desktop")),
        desktopEntry);
    EXPECT_FALSE(QFileInfo::exists(
        home.dataHome() + QStringLiteral("/icons/hicolor/scalable/apps/com.didirezoror.rure.svg")));
}

} // namespace
} // namespace rure::test
