#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace rure::test {

// The outcome of one finished program. `started` is false when it could not
// be started or did not finish within its time.
struct ProgramRun {
    bool started = false;
    int exitCode = -1;
    QString output;
    QString errors;
};

// Runs `program` as a real process and waits for it. Without `environment`,
// the test's own is inherited; `workingDirectory` empty means the test's own.
ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      const QString& workingDirectory = QString(),
                      const std::optional<QProcessEnvironment>& environment = std::nullopt);

// Runs the built rure-bundle.
ProgramRun runBundleTool(const QStringList& arguments);

QString bundleToolPath();
QString signingKeyPath(); // the private key whose public half rure-bundle trusts

// Files are written byte for byte; paths may hold any byte but "/" and NUL.
bool writeFile(const QString& path, const QByteArray& contents);
QByteArray readFile(const QString& path);
bool makeSymlink(const QByteArray& target, const QString& link);

} // namespace rure::test
