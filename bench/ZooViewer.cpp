#include "ZooViewer.h"

#include "BenchSupport.h"
#include "support/BuildPlaces.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace rure::bench {

ZooViewer::ZooViewer(ZooViewerSettings settings) : settings_(std::move(settings)) {
    const QString home = home_.path();
    prepareViewer(process_, home, settings_.cameraUrl);
    // The viewer restores its last window frame from its settings.
    const QString settingsDirectory = home + QStringLiteral("/config/didirezoror");
    QDir().mkpath(settingsDirectory);
    QFile file(settingsDirectory + QStringLiteral("/rure.conf"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QRect& frame = settings_.frame;
        file.write(QStringLiteral("[General]\nmainWindowFrame=%1 %2 %3 %4\n")
                       .arg(frame.x())
                       .arg(frame.y())
                       .arg(frame.width())
                       .arg(frame.height())
                       .toUtf8());
    }
    QProcessEnvironment environment = process_.processEnvironment();
    environment.insert(QStringLiteral("RURE_LOG_LEVEL"), QStringLiteral("debug"));
    if (!settings_.auditPath.isEmpty()) {
        environment.insert(QStringLiteral("LD_PRELOAD"),
                           QString::fromUtf8(test::build::connectAuditLibrary));
        environment.insert(QStringLiteral("RURE_CONNECT_AUDIT"), settings_.auditPath);
    } else {
        environment.remove(QStringLiteral("RURE_CONNECT_AUDIT"));
    }
    process_.setProcessEnvironment(environment);
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setStandardErrorFile(QProcess::nullDevice());

    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) == 0) {
        writeEnd_ = ends[1];
    }
    log_ = std::make_unique<ZooViewerLog>(ends[0], settings_.logCopyPath);
}

ZooViewer::~ZooViewer() {
    stop();
    closeWriteEnd();
}

void ZooViewer::closeWriteEnd() {
    if (writeEnd_ >= 0) {
        ::close(writeEnd_);
        writeEnd_ = -1;
    }
}

std::optional<QString> ZooViewer::start() {
    if (writeEnd_ < 0) {
        return QStringLiteral("no pipe for the viewer's log");
    }
    const int writeEnd = writeEnd_;
    // Runs in the child after QProcess has set up its standard channels: the
    // log pipe replaces standard error (dup2 leaves the copy open on exec).
    process_.setChildProcessModifier([writeEnd] {
        ::dup2(writeEnd, STDERR_FILENO);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    startedAt_ = SoakClock::now();
    process_.start();
    const bool started = process_.waitForStarted(10000);
    // From here on the viewer holds the only writing end: the log ends with it.
    closeWriteEnd();
    if (!started) {
        return QStringLiteral("%1 did not start: %2")
            .arg(process_.program(), process_.errorString());
    }
    processId_ = process_.processId();
    return std::nullopt;
}

bool ZooViewer::isRunning() {
    if (process_.state() == QProcess::NotRunning) {
        return false;
    }
    // Without an event loop QProcess learns of the exit only when asked to wait.
    return !process_.waitForFinished(0);
}

void ZooViewer::stop() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

} // namespace rure::bench
