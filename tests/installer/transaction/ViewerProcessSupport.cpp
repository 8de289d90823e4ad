#include "ViewerProcessSupport.h"

#include "TransactionTestSupport.h"
#include "support/BuildPlaces.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>

namespace rure::test {

namespace {

// Generous bounds against a hanging helper; never a measurement.
constexpr int helperWaitMilliseconds = 30000;

} // namespace

QString fakeViewerProgram() {
    return QString::fromUtf8(build::fakeViewerProgram);
}

QString writeFakeViewerBundle(const QString& bundlePath, const QString& executable,
                              const QByteArray& infoJson) {
    const QString contents = bundlePath + QStringLiteral("/Contents");
    const QString program = contents + QStringLiteral("/bin/") + executable;
    if (!infoJson.isNull() && !writeFile(contents + QStringLiteral("/Info.json"), infoJson)) {
        return {};
    }
    if (!writeFile(program, readFile(fakeViewerProgram()), true)) {
        return {};
    }
    return program;
}

QByteArray viewerInfoJson(const QString& identifier, const QString& executable) {
    return QJsonDocument(QJsonObject{{QStringLiteral("identifier"), identifier},
                                     {QStringLiteral("executable"), executable},
                                     {QStringLiteral("version"), QStringLiteral("0.1.0")},
                                     {QStringLiteral("build"), QStringLiteral("1")}})
        .toJson();
}

FakeViewerProcess::FakeViewerProcess() : process_(std::make_unique<QProcess>()) {}

FakeViewerProcess::~FakeViewerProcess() {
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(helperWaitMilliseconds);
    }
}

bool FakeViewerProcess::start(const QString& executable, OnQuitRequest onQuitRequest) {
    QStringList arguments;
    if (onQuitRequest == OnQuitRequest::ignore) {
        arguments << QStringLiteral("ignores-quit");
    }
    process_->start(executable, arguments);
    if (!process_->waitForStarted(helperWaitMilliseconds)) {
        return false;
    }
    while (!process_->canReadLine()) {
        if (!process_->waitForReadyRead(helperWaitMilliseconds)) {
            return false;
        }
    }
    return process_->readLine() == "ready\n";
}

qint64 FakeViewerProcess::pid() const {
    return process_->processId();
}

bool FakeViewerProcess::answersPing() {
    if (process_->state() != QProcess::Running || process_->write("ping\n") != 5) {
        return false;
    }
    while (!process_->canReadLine()) {
        if (!process_->waitForReadyRead(helperWaitMilliseconds)) {
            return false;
        }
    }
    return process_->readLine() == "pong\n";
}

bool FakeViewerProcess::endsBySigterm() {
    if (process_->state() != QProcess::NotRunning &&
        !process_->waitForFinished(helperWaitMilliseconds)) {
        return false;
    }
    return process_->exitStatus() == QProcess::CrashExit && process_->exitCode() == SIGTERM;
}

FakeProcessRoot::FakeProcessRoot(const QString& path) : path_(path) {
    QDir().mkpath(path_);
}

bool FakeProcessRoot::add(qint64 pid) {
    return pid > 0 && addLink(QString::number(pid), QStringLiteral("/proc/%1").arg(pid));
}

bool FakeProcessRoot::addDirectory(const QString& name) {
    return QDir(path_).mkpath(name);
}

bool FakeProcessRoot::addLink(const QString& name, const QString& target) {
    return QFile::link(target, path_ + QLatin1Char('/') + name);
}

} // namespace rure::test
