#include "DebianPackageSupport.h"

#include "installer/transaction/StopRunningRure.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

// The viewer started through the package's `rure` command runs the bundle's
// own program: the installer, which recognises a running viewer by the
// bundle around its executable, finds it and has it quit.
TEST(PackagedViewer, startedThroughTheCommandItRunsFromItsBundleAndQuitsForTheInstaller) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString failure = unpackDebianPackage(root.path());
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();

    // A user of its own: no camera list, no settings, no other viewer to hand over to.
    QTemporaryDir user;
    ASSERT_TRUE(user.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        const QString directory = user.filePath(QString::fromUtf8(name));
        ASSERT_TRUE(QDir().mkpath(directory));
        ASSERT_TRUE(QFile::setPermissions(directory,
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        environment.insert(QString::fromUtf8(name), directory);
    }
    environment.remove(QStringLiteral("RURE_LOG_LEVEL"));

    QProcess viewer;
    viewer.setProcessEnvironment(environment);
    viewer.start(root.filePath(packagedCommand), {});
    ASSERT_TRUE(viewer.waitForStarted(30'000)) << viewer.errorString().toStdString();
    const QString process = QString::number(viewer.processId());
    EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/") + process + QStringLiteral("/exe")),
              QFileInfo(root.filePath(packagedBundle + QStringLiteral("/Contents/bin/rure")))
                  .canonicalFilePath());

    // Once launched, its quit on SIGTERM is in place.
    QByteArray errors;
    const QDeadlineTimer launchDeadline(60'000);
    while (!errors.contains("Rure is launching.") && viewer.state() == QProcess::Running &&
           !launchDeadline.hasExpired()) {
        viewer.waitForReadyRead(500);
        errors += viewer.readAllStandardError();
    }
    ASSERT_TRUE(errors.contains("Rure is launching.")) << errors.toStdString();

    // The installer looks at this process only, not at other tests' viewers.
    QTemporaryDir processes;
    ASSERT_TRUE(processes.isValid());
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/") + process, processes.filePath(process)));
    StopRunningRureOptions options;
    options.processRoot = processes.path();
    const Result<void> stopped = InstallerOperations::stopRunningRure(options);
    EXPECT_TRUE(stopped.ok()) << stopped.error().description.toStdString();

    // Ended by the installer's request, through the viewer's own termination.
    // (The installer processes events while it waits, so the end may already
    // have been seen; waitForFinished is false for a process that has ended.)
    ASSERT_TRUE(viewer.state() == QProcess::NotRunning || viewer.waitForFinished(30'000))
        << "the installer did not recognise the viewer";
    errors += viewer.readAllStandardError();
    EXPECT_EQ(viewer.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(viewer.exitCode(), 0);
    EXPECT_TRUE(errors.contains("Rure is terminating.")) << errors.toStdString();
}

} // namespace
} // namespace rure::test
