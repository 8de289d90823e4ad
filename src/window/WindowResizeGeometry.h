#pragma once

#include <QRect>
#include <QSize>
#include <QSizeF>

namespace rure {

// Which edges of a window a resize drags.
struct ResizeEdges {
    bool left = false;
    bool right = false;
    bool top = false;
    bool bottom = false;

    bool any() const { return left || right || top || bottom; }
};

// The frame that results from dragging `edges` of `start` by `delta`, holding
// `aspectRatio` (width : height; an empty size holds none) and never smaller
// than `minimum`. The edges opposite the dragged ones stay where they were.
QRect resizedFrame(const QRect& start, ResizeEdges edges, QPoint delta, QSizeF aspectRatio,
                   QSize minimum);

// `frame` reshaped to `aspectRatio`, keeping its width where it can and its
// centre, never smaller than `minimum` and, when it can, inside `bounds`.
QRect frameWithAspectRatio(const QRect& frame, QSizeF aspectRatio, QSize minimum,
                           const QRect& bounds);

} // namespace rure
