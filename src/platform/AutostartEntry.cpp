#include "AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace rure {

namespace {

Error autostartError(int errorNumber, const QString& description) {
    return Error{ErrorDomain::file, errorNumber, description};
}

// The value of `key` in the [Desktop Entry] group of `text`; empty without one.
QString desktopEntryValue(const QByteArray& text, const QString& key) {
    bool inEntryGroup = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(u'[')) {
            inEntryGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntryGroup) {
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && line.left(equals).trimmed() == key) {
            return line.mid(equals + 1).trimmed();
        }
    }
    return {};
}

} // namespace

QString AutostartEntry::defaultPath() {
    QString configuration = qEnvironmentVariable("XDG_CONFIG_HOME");
    // XDG folders given as relative paths are ignored, as desktops ignore them.
    if (configuration.isEmpty() || !QDir::isAbsolutePath(configuration)) {
        configuration = QDir::homePath() + QStringLiteral("/.config");
    }
    return configuration + QStringLiteral("/autostart/rure.desktop");
}

AutostartEntry::AutostartEntry(QString path, QString program)
    : path_(std::move(path)), program_(std::move(program)) {}

bool AutostartEntry::isEnabled() const {
    QFile file(path_);
    if (!QFileInfo(path_).isFile() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    // An entry is a few hundred bytes; a longer file is read no further.
    const QByteArray text = file.read(64 * 1024);
    return desktopEntryValue(text, QStringLiteral("Hidden")) != QLatin1String("true") &&
           desktopEntryValue(text, QStringLiteral("X-GNOME-Autostart-enabled")) !=
               QLatin1String("false");
}

Result<void> AutostartEntry::enable() const {
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) {
        return autostartError(ENOTDIR,
                              QStringLiteral("Could not create the folder %1.").arg(folder));
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) || file.write(text()) < 0 || !file.commit()) {
        return autostartError(
            EIO, QStringLiteral("Could not write %1: %2").arg(path_, file.errorString()));
    }
    return Result<void>::success();
}

Result<void> AutostartEntry::disable() const {
    const QFileInfo entry(path_);
    if (!entry.exists() && !entry.isSymLink()) {
        return Result<void>::success();
    }
    QFile file(path_);
    if (!file.remove()) {
        return autostartError(
            EIO, QStringLiteral("Could not remove %1: %2").arg(path_, file.errorString()));
    }
    return Result<void>::success();
}

QByteArray AutostartEntry::text() const {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Rure\n"
                          "Comment=Watch a live network camera in a small window that stays on "
                          "top\n"
                          "Exec=%1\n"
                          "Icon=com.didirezoror.rure\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(desktopExecArgument(program_))
        .toUtf8();
}

QString desktopExecArgument(const QString& program) {
    // Characters that make the desktop's command-line reading quote an argument.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = program.isEmpty();
    for (const QChar character : program) {
        needsQuotes = needsQuotes || reserved.contains(character);
    }
    QString argument;
    for (const QChar character : program) {
        if (character == u'%') {
            // Not a field code.
            argument += QStringLiteral("%%");
        } else if (needsQuotes && (character == u'"' || character == u'`' || character == u'$' ||
                                   character == u'\\')) {
            // A backslash escapes it inside the quotes; the key's string
            // value then escapes every backslash once more.
            argument += QStringLiteral("\\\\") +
                        (character == u'\\' ? QStringLiteral("\\\\") : QString(character));
        } else {
            argument += character;
        }
    }
    return needsQuotes ? u'"' + argument + u'"' : argument;
}

} // namespace rure
