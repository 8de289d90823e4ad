#pragma once

#include <QRect>
#include <QSize>

namespace rure {

// Where the five controls over the picture go.
struct ViewerControlFrames {
    QRect picker;
    QRect menu;
    QRect pin;
    QRect focus;
    QRect close;
};

// Content narrower than this (in points) uses the compact layout.
inline constexpr int compactViewerControlWidth = 290;

inline bool usesCompactLayout(double contentWidth) {
    return contentWidth < compactViewerControlWidth;
}

// Regular: one row at the top right (picker, menu, pin, area selection, close).
// Compact: the four buttons at the top right and a full-width picker under them.
// `pickerWidth` is the picker's natural width; it is never narrower than 140
// points in the regular layout and never starts left of the 12-point margin.
ViewerControlFrames layoutViewerControls(QSize content, int pickerWidth, bool compact);

} // namespace rure
