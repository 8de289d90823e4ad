#pragma once

#include "config/Camera.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace rure {

// The camera to select after the list was replaced: the first camera equal to
// the previous one; else the first whose name matches the previous name under a
// locale-aware, case-insensitive comparison; else the previous index clamped to
// the new list. -1 for an empty list.
qsizetype chooseSelectionAfterEdit(const QList<Camera>& cameras,
                                   const std::optional<Camera>& previousCamera,
                                   qsizetype previousIndex);

QStringList cameraNames(const QList<Camera>& cameras);

} // namespace rure
