#include "SigningTestSupport.h"

#include "support/BuildPlaces.h"

#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace rure::test {

ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      const QString& workingDirectory,
                      const std::optional<QProcessEnvironment>& environment) {
    QProcess process;
    if (!workingDirectory.isEmpty()) {
        process.setWorkingDirectory(workingDirectory);
    }
    if (environment) {
        process.setProcessEnvironment(*environment);
    }
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForStarted(30'000) || !process.waitForFinished(120'000) ||
        process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(5'000);
        run.errors = QString::fromUtf8(process.readAllStandardError());
        return run;
    }
    run.started = true;
    run.exitCode = process.exitCode();
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

ProgramRun runBundleTool(const QStringList& arguments) {
    return runProgram(bundleToolPath(), arguments);
}

QString bundleToolPath() {
    return QString::fromUtf8(build::bundleTool);
}

QString signingKeyPath() {
    return QString::fromUtf8(build::signingKey);
}

bool writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(contents) == contents.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool makeSymlink(const QByteArray& target, const QString& link) {
    return ::symlink(target.constData(), QFile::encodeName(link).constData()) == 0;
}

} // namespace rure::test
