#pragma once

#include "common/Result.h"

#include <QString>

namespace rure {

// The viewer's entry in the desktop's autostart folder (XDG Autostart): while
// it is there, the desktop starts the viewer when the user logs in. The file
// itself is the only record of the choice, so a file removed by hand turns
// the choice off.
class AutostartEntry {
public:
    // "$XDG_CONFIG_HOME/autostart/rure.desktop", or "~/.config/autostart/
    // rure.desktop" when the variable is unset or not an absolute path.
    static QString defaultPath();

    // `program` is the absolute path the entry starts.
    AutostartEntry(QString path, QString program);

    const QString& path() const { return path_; }

    // Whether the desktop will start the viewer: the entry exists and is
    // neither hidden nor turned off for GNOME.
    bool isEnabled() const;
    // Writes the entry (and its folder), replacing any there.
    Result<void> enable() const;
    // Removes the entry; nothing to do when there is none.
    Result<void> disable() const;

    // The entry's text: a desktop entry that starts `program`.
    QByteArray text() const;

private:
    QString path_;
    QString program_;
};

// `program` as one argument of a desktop entry's Exec key: quoted when it
// holds anything but plain characters, with the characters the quoting and
// the key's own escapes reserve escaped.
QString desktopExecArgument(const QString& program);

} // namespace rure
