#include "TestCamera.h"

#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QThread>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

namespace rure::test {

namespace {

constexpr int commandTimeoutMs = 5000;
constexpr int quitGraceMs = 3000;

QStringList argumentsFor(const TestCamera::Options& options) {
    QStringList arguments{
        QStringLiteral("--port"),
        QString::number(options.port),
        QStringLiteral("--path"),
        options.path,
        QStringLiteral("--width"),
        QString::number(options.width),
        QStringLiteral("--height"),
        QString::number(options.height),
        QStringLiteral("--fps"),
        QString::number(options.fps),
        QStringLiteral("--keyframe-interval"),
        QString::number(options.keyframeInterval, 'g', 10),
    };
    if (options.secondPath.isEmpty()) {
        arguments << QStringLiteral("--no-second-path");
    } else {
        arguments << QStringLiteral("--second-path") << options.secondPath;
    }
    if (options.smallPath.isEmpty()) {
        arguments << QStringLiteral("--no-small-path");
    } else {
        arguments << QStringLiteral("--small-path") << options.smallPath
                  << QStringLiteral("--small-size") << options.smallSize;
    }
    if (!options.user.isEmpty() || !options.password.isEmpty()) {
        arguments << QStringLiteral("--user") << options.user << QStringLiteral("--password")
                  << options.password;
    }
    return arguments << options.extraArguments;
}

} // namespace

TestCamera::TestCamera() = default;

TestCamera::~TestCamera() {
    stop();
}

bool TestCamera::start(const Options& options, int timeoutMs) {
    stop();
    options_ = options;
    return launch(options, timeoutMs);
}

bool TestCamera::launch(const Options& options, int timeoutMs) {
    url_.clear();
    secondUrl_.clear();
    smallUrl_.clear();
    port_ = 0;
    partialLine_.clear();
    lines_.clear();
    exitCode_.reset();

    process_ = std::make_unique<QProcess>();
    process_->setProgram(testCameraProgram());
    process_->setArguments(argumentsFor(options));
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_->start();
    if (!process_->waitForStarted(timeoutMs)) {
        std::fprintf(stderr, "TestCamera: cannot start '%s': %s\n", qPrintable(testCameraProgram()),
                     qPrintable(process_->errorString()));
        process_.reset();
        return false;
    }

    QStringList urls;
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        // Read after the state: a finished process has handed over all its output.
        const bool running = process_->state() == QProcess::Running;
        collectOutput();
        while (const auto line = takeLine()) {
            if (line->startsWith(QStringLiteral("rtsp://"))) {
                urls << *line;
            } else if (*line == QStringLiteral("ready")) {
                if (urls.isEmpty()) {
                    return false;
                }
                url_ = urls.value(0);
                secondUrl_ = options.secondPath.isEmpty() ? QString() : urls.value(1);
                smallUrl_ = options.smallPath.isEmpty() ? QString() : urls.constLast();
                port_ = QUrl(url_).port();
                return port_ > 0;
            }
        }
        if (!running) {
            noteExit();
            return false;
        }
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "TestCamera: the camera did not get ready in %d ms\n", timeoutMs);
            kill();
            return false;
        }
        process_->waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    }
}

void TestCamera::collectOutput() {
    if (!process_) {
        return;
    }
    const QByteArray errors = process_->readAllStandardError();
    if (!errors.isEmpty()) {
        errorOutput_ += errors;
        std::fwrite(errors.constData(), 1, static_cast<std::size_t>(errors.size()), stderr);
        std::fflush(stderr);
    }
    partialLine_ += process_->readAllStandardOutput();
    qsizetype newline;
    while ((newline = partialLine_.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(partialLine_.left(newline)).trimmed();
        partialLine_.remove(0, newline + 1);
        // "switched <picture> <nanoseconds>" precedes the confirmation of the switch.
        if (line.startsWith(QStringLiteral("play "))) {
            bool ok = false;
            const qint64 at = line.section(QLatin1Char(' '), 1, 1).toLongLong(&ok);
            if (ok) {
                lastPlayNs_ = at;
            }
            continue;
        }
        if (line.startsWith(QStringLiteral("switched "))) {
            bool ok = false;
            const qint64 at = line.section(QLatin1Char(' '), 2, 2).toLongLong(&ok);
            if (ok) {
                lastSwitchNs_ = at;
            }
        }
        lines_ << line;
    }
}

qint64 TestCamera::lastPlayNanoseconds() {
    // Without an event loop the process's output is read only when asked for.
    if (process_) {
        process_->waitForReadyRead(0);
    }
    collectOutput();
    return lastPlayNs_;
}

std::optional<QString> TestCamera::takeLine() {
    if (lines_.isEmpty()) {
        return std::nullopt;
    }
    return lines_.takeFirst();
}

void TestCamera::noteExit() {
    if (!process_ || process_->state() != QProcess::NotRunning) {
        return;
    }
    collectOutput();
    if (process_->exitStatus() == QProcess::NormalExit) {
        exitCode_ = process_->exitCode();
    } else {
        exitCode_.reset();
    }
}

bool TestCamera::waitForLine(const QString& line, int timeoutMs) {
    if (!process_) {
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        const bool running = process_->state() == QProcess::Running;
        collectOutput();
        while (const auto next = takeLine()) {
            if (*next == line) {
                return true;
            }
        }
        if (!running) {
            noteExit();
            return false;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        process_->waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    }
}

bool TestCamera::command(const QString& name) {
    if (!isRunning()) {
        return false;
    }
    // An earlier confirmation (say of a signal nobody waited for) must not
    // stand in for this one.
    collectOutput();
    lines_.clear();
    process_->write(name.toUtf8() + '\n');
    process_->waitForBytesWritten(commandTimeoutMs);
    return waitForLine(QStringLiteral("ok ") + name, commandTimeoutMs);
}

bool TestCamera::stall() {
    return command(QStringLiteral("stall"));
}
bool TestCamera::resume() {
    return command(QStringLiteral("resume"));
}
bool TestCamera::dropClients() {
    return command(QStringLiteral("drop"));
}
bool TestCamera::showBlack() {
    return command(QStringLiteral("black"));
}
bool TestCamera::showWhite() {
    return command(QStringLiteral("white"));
}
bool TestCamera::showPattern() {
    return command(QStringLiteral("pattern"));
}
bool TestCamera::still() {
    return command(QStringLiteral("still"));
}
bool TestCamera::moving() {
    return command(QStringLiteral("moving"));
}
bool TestCamera::resize(int width, int height) {
    return command(QStringLiteral("resize %1x%2").arg(width).arg(height));
}
bool TestCamera::jumpClock(double seconds) {
    return command(QStringLiteral("jump ") + QString::number(seconds, 'g', 10));
}

void TestCamera::kill() {
    if (!process_) {
        return;
    }
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(quitGraceMs);
    }
    noteExit();
}

bool TestCamera::restart(int timeoutMs) {
    if (port_ <= 0 && options_.port <= 0) {
        return false;
    }
    Options options = options_;
    options.port = port_ > 0 ? port_ : options_.port;
    if (isRunning()) {
        stop();
    }
    // Right after a kill the port can still be held for a moment.
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        const int remaining = static_cast<int>(qMax<qint64>(1, deadline.remainingTime()));
        if (launch(options, remaining)) {
            options_ = options;
            return true;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(100);
    }
}

void TestCamera::stop() {
    if (!process_) {
        return;
    }
    if (process_->state() != QProcess::NotRunning) {
        process_->write("quit\n");
        process_->waitForBytesWritten(quitGraceMs);
        if (!process_->waitForFinished(quitGraceMs)) {
            std::fprintf(stderr, "TestCamera: the camera did not quit; killing it\n");
            process_->kill();
            process_->waitForFinished(quitGraceMs);
        }
    }
    noteExit();
}

bool TestCamera::isRunning() const {
    return process_ && process_->state() == QProcess::Running;
}

qint64 TestCamera::processId() const {
    return isRunning() ? process_->processId() : 0;
}

bool TestCamera::sendSignal(int signalNumber) {
    const qint64 pid = processId();
    return pid > 0 && ::kill(static_cast<pid_t>(pid), signalNumber) == 0;
}

bool TestCamera::waitForExit(int timeoutMs) {
    if (!process_) {
        return false;
    }
    if (process_->state() != QProcess::NotRunning && !process_->waitForFinished(timeoutMs)) {
        return false;
    }
    noteExit();
    return true;
}

int TestCamera::freePort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        return 0;
    }
    const int port = server.serverPort();
    server.close();
    return port;
}

} // namespace rure::test
