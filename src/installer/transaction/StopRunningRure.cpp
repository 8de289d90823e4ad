#include "StopRunningRure.h"

#include "InstallerOperations.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <limits>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace rure::InstallerOperations {

namespace {

const QString viewerIdentifier = QStringLiteral("com.didirezoror.rure");

struct RunningViewer {
    pid_t pid;
    QString executable;
};

// The target of `path`, a symbolic link, or an empty text.
QString linkTarget(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    QByteArray target(4096, Qt::Uninitialized);
    const ssize_t length =
        ::readlink(encoded.constData(), target.data(), static_cast<size_t>(target.size()));
    if (length <= 0 || length >= target.size()) {
        return {};
    }
    target.truncate(length);
    return QFile::decodeName(target);
}

// The executable of process `pid` under `processRoot`, or an empty text when
// the process has ended (an ended process, zombie or gone, has no `exe`).
QString processExecutable(const QString& processRoot, pid_t pid) {
    return linkTarget(processRoot + QLatin1Char('/') + QString::number(pid) +
                      QStringLiteral("/exe"));
}

bool isViewerExecutable(QString executable) {
    // A viewer started from a copy that has since been replaced still counts.
    const QString deletedSuffix = QStringLiteral(" (deleted)");
    if (!QFileInfo::exists(executable) && executable.endsWith(deletedSuffix)) {
        executable.chop(deletedSuffix.size());
    }
    const QFileInfo file(executable);
    const QDir binDirectory = file.dir();
    if (binDirectory.dirName() != QLatin1String("bin")) {
        return false;
    }
    const QString contents = QFileInfo(binDirectory.path()).path();
    if (QFileInfo(contents).fileName() != QLatin1String("Contents") ||
        !QFileInfo(contents).path().endsWith(QLatin1String(".app"))) {
        return false;
    }
    QFile infoFile(contents + QStringLiteral("/Info.json"));
    if (!infoFile.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QJsonDocument document = QJsonDocument::fromJson(infoFile.readAll());
    if (!document.isObject()) {
        return false;
    }
    const QJsonObject info = document.object();
    if (info.value(QStringLiteral("identifier")).toString() != viewerIdentifier) {
        return false;
    }
    // Other programs may share the bundle's bin directory; only its main
    // executable is the viewer.
    const QJsonValue name = info.value(QStringLiteral("executable"));
    return !name.isString() || name.toString() == file.fileName();
}

std::vector<RunningViewer> runningViewers(const QString& processRoot) {
    std::vector<RunningViewer> viewers;
    const QStringList entries = QDir(processRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qlonglong pid = entry.toLongLong(&isNumber);
        if (!isNumber || pid <= 0 || pid > std::numeric_limits<pid_t>::max() || pid == ::getpid()) {
            continue;
        }
        const QString executable = processExecutable(processRoot, static_cast<pid_t>(pid));
        if (!executable.isEmpty() && isViewerExecutable(executable)) {
            viewers.push_back({static_cast<pid_t>(pid), executable});
        }
    }
    return viewers;
}

// Still the same program: a reused process id runs something else.
bool isStillRunning(const QString& processRoot, const RunningViewer& viewer) {
    return processExecutable(processRoot, viewer.pid) == viewer.executable;
}

bool anyStillRunning(const QString& processRoot, const std::vector<RunningViewer>& viewers) {
    for (const RunningViewer& viewer : viewers) {
        if (isStillRunning(processRoot, viewer)) {
            return true;
        }
    }
    return false;
}

void waitProcessingEvents(std::chrono::milliseconds interval) {
    QEventLoop loop;
    QTimer::singleShot(interval, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

Result<void> stopRunningRure(const StopRunningRureOptions& options) {
    const QDeadlineTimer deadline(options.deadline);
    const std::vector<RunningViewer> viewers = runningViewers(options.processRoot);
    if (viewers.empty()) {
        return Result<void>::success();
    }
    for (const RunningViewer& viewer : viewers) {
        ::kill(viewer.pid, SIGTERM);
    }
    while (!deadline.hasExpired()) {
        if (!anyStillRunning(options.processRoot, viewers)) {
            return Result<void>::success();
        }
        waitProcessingEvents(options.pollInterval);
    }
    if (anyStillRunning(options.processRoot, viewers)) {
        return error(QStringLiteral("Rure is still open. Close it, then choose Try Again."));
    }
    return Result<void>::success();
}

} // namespace rure::InstallerOperations
