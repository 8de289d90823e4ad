#pragma once

#include <QDateTime>
#include <QString>

namespace rure {

// Snapshots are named after the camera and the local date and time they were
// taken, "Porch 2026-12-09 14.03.27.png", in a form every file system takes:
// no path separators, none of the characters other systems reserve
// (<>:"/\|?*), no control characters, no leading or trailing dots or spaces,
// and short enough for any file system with room for a suffix. The date after
// the camera's part keeps every name clear of the names some systems keep for
// devices ("CON", "NUL"...).

// The part of a file name that stands for `cameraName`: the characters other
// systems refuse become "-", runs of spaces one space, and the result is cut
// (between characters) to at most maximumCameraPartBytes bytes of UTF-8.
// "Camera" when nothing is left.
QString fileNameSafeCameraName(const QString& cameraName);
inline constexpr qsizetype maximumCameraPartBytes = 120;

// The name without its suffix and extension: the camera part, a space, and
// the local date and time to the second ("Porch 2026-12-09 14.03.27").
QString snapshotFileStem(const QString& cameraName, const QDateTime& takenAt);

// The `attempt`th name to try for a stem: "<stem>.png" first, then
// "<stem> 2.png", "<stem> 3.png"...
QString snapshotFileName(const QString& stem, int attempt);

// Where snapshots go: "Rure" in the user's pictures folder.
QString defaultSnapshotFolder();

} // namespace rure
