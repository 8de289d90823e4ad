#pragma once

#include <QString>
#include <QStringList>

// The small shell scripts that finish the installer's work after it has quit.
// Each runs as "/bin/sh" "-c" <script> <helper name> <arguments...>: the shell
// shows the helper's name as its zeroth argument in process lists.
namespace rure::InstallerOperations {

inline constexpr char shellProgram[] = "/bin/sh";
inline constexpr char trashHelperName[] = "rure-trash-helper";
inline constexpr char openHelperName[] = "rure-open-helper";
// How often the open helper tries to start the viewer, 0.25 s apart.
inline constexpr int openHelperAttempts = 40;

// Arguments: the process to wait for, the item, its path in Trash/files and its
// .trashinfo path in Trash/info. Waits until the process has ended, writes the
// item's freedesktop.org Trash description, then moves the item. Exits non-zero
// (and leaves no description behind) when the move fails.
inline constexpr char trashHelperScript[] = R"sh(parent="$1"
source="$2"
destination="$3"
information="$4"
while /bin/kill -0 "$parent" 2>/dev/null; do
    /bin/sleep 0.1
done
encoded=''
for byte in $(printf '%s' "$source" | /usr/bin/od -An -v -tx1 | /usr/bin/tr abcdef ABCDEF); do
    case "$byte" in
        2[DEF] | 3[0-9] | 4[1-9A-F] | 5[0-9AF] | 6[1-9A-F] | 7[0-9AE])
            encoded="$encoded$(printf "\\$(printf '%03o' "0x$byte")")"
            ;;
        *)
            encoded="$encoded%$byte"
            ;;
    esac
done
deleted=$(/bin/date '+%Y-%m-%dT%H:%M:%S')
printf '[Trash Info]\nPath=%s\nDeletionDate=%s\n' "$encoded" "$deleted" >"$information" || exit 1
if ! /bin/mv "$source" "$destination"; then
    /bin/rm -f "$information"
    exit 1
fi)sh";

// Arguments: the process to wait for, the viewer's application bundle, the
// user's data folder and the number of start attempts. Waits until the process
// has ended, registers the viewer's desktop entry and icon for the user, then
// starts the viewer, retrying 0.25 s apart while it cannot be started. Exit
// status 0 once it started, 1 when every attempt failed.
//
// "Started" means: bin/rure is a regular file with execute permission and the
// shell forked it into the background, in a session of its own (a failed fork
// ends the shell with a non-zero status). Whether the exec then succeeds
// cannot be told without waiting on the viewer, which outlives the helper;
// an executable that is there and may be run is what an attempt waits for.
inline constexpr char openHelperScript[] = R"sh(parent="$1"
application="$2"
data="$3"
attempts="$4"
while /bin/kill -0 "$parent" 2>/dev/null; do
    /bin/sleep 0.1
done
resources="$application/Contents/Resources"
if /bin/mkdir -p "$data/applications" >/dev/null 2>&1; then
    /bin/cp "$resources/com.didirezoror.rure.desktop" "$data/applications/" >/dev/null 2>&1
    if [ -x /usr/bin/update-desktop-database ]; then
        /usr/bin/update-desktop-database "$data/applications" >/dev/null 2>&1
    fi
fi
if /bin/mkdir -p "$data/icons/hicolor/scalable/apps" >/dev/null 2>&1; then
    /bin/cp "$resources/com.didirezoror.rure.svg" "$data/icons/hicolor/scalable/apps/" >/dev/null 2>&1
fi
executable="$application/Contents/bin/rure"
attempt=0
while [ "$attempt" -lt "$attempts" ]; do
    if [ -f "$executable" ] && [ -x "$executable" ]; then
        /usr/bin/setsid "$executable" </dev/null >/dev/null 2>&1 &
        exit 0
    fi
    attempt=$((attempt + 1))
    /bin/sleep 0.25
done
exit 1)sh";

// The arguments of "/bin/sh" that run the Trash helper.
QStringList trashHelperArguments(qint64 parentProcess, const QString& source,
                                 const QString& destination, const QString& information);

// The arguments of "/bin/sh" that run the open helper.
QStringList openHelperArguments(qint64 parentProcess, const QString& applicationPath,
                                const QString& dataHome, int attempts = openHelperAttempts);

// Starts "/bin/sh" with `arguments` detached, output and errors to the null
// device, without waiting for it; false when it could not be started.
bool startHelper(const QStringList& arguments);

} // namespace rure::InstallerOperations
