#pragma once

#include <QRectF>
#include <QSizeF>

#include <optional>

namespace rure {

// The largest frame with the picture's proportions that fits the visible area
// of the screen, centred on it. `frame` is the window frame and `content` the
// size of its content; their difference is the decoration, kept as it is.
// `appliedRatio` is the picture's width : height when known; otherwise the
// content's own proportion serves.
QRectF temporaryMaximumFrame(const QRectF& frame, QSizeF content, const QRectF& visible,
                             std::optional<double> appliedRatio);

} // namespace rure
