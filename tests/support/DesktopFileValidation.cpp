#include "DesktopFileValidation.h"

#include <QProcess>
#include <QStandardPaths>

namespace rure::test {

DesktopFileValidation validateDesktopFile(const QString& path) {
    DesktopFileValidation validation;
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty()) {
        validation.complaints << QStringLiteral(
            "desktop-file-validate is not installed (scripts/setup.sh installs it)");
        return validation;
    }
    QProcess process;
    process.start(validator, {path});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        validation.complaints << QStringLiteral("desktop-file-validate did not finish");
        return validation;
    }
    validation.status = process.exitCode();
    const QString output =
        QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    for (const QString& line : output.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.contains(QStringLiteral("error:")) || line.contains(QStringLiteral("warning:"))) {
            validation.complaints << line;
        }
    }
    return validation;
}

} // namespace rure::test
