#include "HelperScripts.h"

#include <QProcess>

namespace rure::InstallerOperations {

QStringList trashHelperArguments(qint64 parentProcess, const QString& source,
                                 const QString& destination, const QString& information) {
    return {QStringLiteral("-c"),
            QString::fromUtf8(trashHelperScript),
            QString::fromUtf8(trashHelperName),
            QString::number(parentProcess),
            source,
            destination,
            information};
}

QStringList openHelperArguments(qint64 parentProcess, const QString& applicationPath,
                                const QString& dataHome, int attempts) {
    return {QStringLiteral("-c"),
            QString::fromUtf8(openHelperScript),
            QString::fromUtf8(openHelperName),
            QString::number(parentProcess),
            applicationPath,
            dataHome,
            QString::number(attempts)};
}

bool startHelper(const QStringList& arguments) {
    QProcess helper;
    helper.setProgram(QString::fromUtf8(shellProgram));
    helper.setArguments(arguments);
    helper.setStandardInputFile(QProcess::nullDevice());
    helper.setStandardOutputFile(QProcess::nullDevice());
    helper.setStandardErrorFile(QProcess::nullDevice());
    return helper.startDetached();
}

} // namespace rure::InstallerOperations
