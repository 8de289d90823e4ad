#pragma once

#include "common/Result.h"

#include <QImage>
#include <QString>

namespace rure {

// The most snapshots that may share one stem (one camera, one second).
inline constexpr int maximumSnapshotsPerStem = 1000;

// Saves `picture` as a PNG file named for `stem` (see snapshotFileName) in
// `folder`, which is made, private to the user, when it is missing: the first
// free name, never replacing a file, written whole or not at all and readable
// by its owner only. Answers the file's path. Blocks while it encodes and
// writes: not for the GUI thread.
Result<QString> saveSnapshotPicture(const QImage& picture, const QString& folder,
                                    const QString& stem);

} // namespace rure
