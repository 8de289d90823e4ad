#include "WindowResizeGeometry.h"

#include <QtMath>

#include <algorithm>

namespace rure {

namespace {

bool hasRatio(QSizeF ratio) {
    return ratio.width() > 0 && ratio.height() > 0;
}

// The smallest size at or above `minimum` in both dimensions that has `ratio`.
QSize minimumWithRatio(QSize minimum, double ratio) {
    int width = minimum.width();
    int height = qRound(width / ratio);
    if (height < minimum.height()) {
        height = minimum.height();
        width = qRound(height * ratio);
    }
    return {width, height};
}

} // namespace

QRect resizedFrame(const QRect& start, ResizeEdges edges, QPoint delta, QSizeF aspectRatio,
                   QSize minimum) {
    int width = start.width() + (edges.right ? delta.x() : 0) - (edges.left ? delta.x() : 0);
    int height = start.height() + (edges.bottom ? delta.y() : 0) - (edges.top ? delta.y() : 0);
    width = std::max(width, minimum.width());
    height = std::max(height, minimum.height());

    if (hasRatio(aspectRatio)) {
        const double ratio = aspectRatio.width() / aspectRatio.height();
        const bool horizontal = edges.left || edges.right;
        const bool vertical = edges.top || edges.bottom;
        if (horizontal && !vertical) {
            height = qRound(width / ratio);
        } else if (vertical && !horizontal) {
            width = qRound(height * ratio);
        } else {
            // A corner: follow whichever dimension moved further.
            const double widthChange = std::abs(width - start.width());
            const double heightChange = std::abs(height - start.height()) * ratio;
            if (widthChange >= heightChange) {
                height = qRound(width / ratio);
            } else {
                width = qRound(height * ratio);
            }
        }
        const QSize smallest = minimumWithRatio(minimum, ratio);
        if (width < smallest.width() || height < smallest.height()) {
            width = smallest.width();
            height = smallest.height();
        }
    }

    QRect frame = start;
    frame.setWidth(width);
    frame.setHeight(height);
    if (edges.left) {
        frame.moveRight(start.right());
    }
    if (edges.top) {
        frame.moveBottom(start.bottom());
    }
    return frame;
}

QRect frameWithAspectRatio(const QRect& frame, QSizeF aspectRatio, QSize minimum,
                           const QRect& bounds) {
    if (!hasRatio(aspectRatio)) {
        return frame;
    }
    const double ratio = aspectRatio.width() / aspectRatio.height();
    int width = frame.width();
    int height = qRound(width / ratio);
    if (!bounds.isEmpty() && height > bounds.height()) {
        height = bounds.height();
        width = qRound(height * ratio);
    }
    if (!bounds.isEmpty() && width > bounds.width()) {
        width = bounds.width();
        height = qRound(width / ratio);
    }
    const QSize smallest = minimumWithRatio(minimum, ratio);
    if (width < smallest.width() || height < smallest.height()) {
        width = smallest.width();
        height = smallest.height();
    }
    QRect result(0, 0, width, height);
    result.moveCenter(frame.center());
    if (!bounds.isEmpty()) {
        // Keep the window on its screen where it fits.
        if (result.right() > bounds.right()) {
            result.moveRight(bounds.right());
        }
        if (result.bottom() > bounds.bottom()) {
            result.moveBottom(bounds.bottom());
        }
        if (result.left() < bounds.left()) {
            result.moveLeft(bounds.left());
        }
        if (result.top() < bounds.top()) {
            result.moveTop(bounds.top());
        }
    }
    return result;
}

} // namespace rure
