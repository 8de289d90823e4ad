#include "InstallerTrash.h"

#include "HelperScripts.h"
#include "UserTrash.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QUuid>

#include <memory>

namespace rure::InstallerOperations {

namespace {

// A stuck recycle command (a hung mount, say) must not hold the completion back
// for ever; Qt's Trash support then gets its turn.
constexpr int recycleTimeoutMilliseconds = 20000;

// A dangling symbolic link is still something at the path.
bool somethingExistsAt(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

void moveWithQt(const QString& path, const std::function<void(bool)>& completion) {
    // When QFile::moveToTrash cannot set up the home Trash (the data folder is
    // missing, or a file is in the way) it goes on with an empty Trash path and
    // files the item under files/ of the current directory. So the Trash is set
    // up first, and an unusable one is a failure.
    if (!UserTrash::ofCurrentUser().prepare()) {
        completion(false);
        return;
    }
    const bool moved = QFile::moveToTrash(path);
    completion(moved && !somethingExistsAt(path));
}

void recycle(const QString& path, const QString& program, std::function<void(bool)> completion) {
    if (!QFileInfo(program).isExecutable()) {
        moveWithQt(path, completion);
        return;
    }
    auto* process = new QProcess;
    auto answered = std::make_shared<bool>(false);
    const auto answer = [process, answered, path, completion](bool succeeded) {
        if (*answered) {
            return;
        }
        *answered = true;
        process->deleteLater();
        if (succeeded && !somethingExistsAt(path)) {
            completion(true);
        } else {
            moveWithQt(path, completion);
        }
    };
    QObject::connect(process, &QProcess::finished, process,
                     [answer](int exitCode, QProcess::ExitStatus status) {
                         answer(status == QProcess::NormalExit && exitCode == 0);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [answer](QProcess::ProcessError error) {
                         // A crash is followed by finished(); only a failed start is final here.
                         if (error == QProcess::FailedToStart) {
                             answer(false);
                         }
                     });
    QTimer::singleShot(recycleTimeoutMilliseconds, process, [process] { process->kill(); });
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(program, {QStringLiteral("trash"), QStringLiteral("--"), path});
}

} // namespace

void moveToTrash(const QString& path, std::function<void(bool)> completion) {
    moveToTrashUsing(QString::fromUtf8(recycleProgram), path, std::move(completion));
}

void moveToTrashUsing(const QString& recycleProgramPath, const QString& path,
                      std::function<void(bool)> completion) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QCoreApplication::instance() == nullptr) {
        // No event loop to wait on the recycle command with.
        moveWithQt(absolute, completion);
        return;
    }
    // Queued even when called on the application's thread, so that the caller
    // never sees its completion run inside this call.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [absolute, recycleProgramPath, completion = std::move(completion)] {
            recycle(absolute, recycleProgramPath, completion);
        },
        Qt::QueuedConnection);
}

bool moveToTrashAfterExit(const QString& path) {
    return moveToTrashAfterProcessExits(path, QCoreApplication::applicationPid());
}

bool moveToTrashAfterProcessExits(const QString& path, qint64 parentProcess) {
    const UserTrash trash = UserTrash::ofCurrentUser();
    if (!trash.prepare()) {
        return false;
    }
    const QString name = QStringLiteral("Rizezad Aduz ") +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
                         QStringLiteral(".app");
    return startHelper(trashHelperArguments(parentProcess, QFileInfo(path).absoluteFilePath(),
                                            trash.filesPath() + QLatin1Char('/') + name,
                                            trash.infoPathFor(name)));
}

} // namespace rure::InstallerOperations
