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

// Sizes of the layout, in points.
namespace viewerControlMetrics {
inline constexpr int margin = 12;
inline constexpr int spacing = 6;
inline constexpr int buttonWidth = 28;
inline constexpr int buttonCount = 4;
inline constexpr int controlHeight = 24;
inline constexpr int minimumPickerWidth = 140;
} // namespace viewerControlMetrics

// Content narrower than this (in points) uses the compact layout: the width at
// which the row of the regular layout leaves the picker its 140 points.
inline constexpr int compactViewerControlWidth =
    viewerControlMetrics::margin + viewerControlMetrics::minimumPickerWidth +
    viewerControlMetrics::buttonCount *
        (viewerControlMetrics::spacing + viewerControlMetrics::buttonWidth) +
    viewerControlMetrics::margin;

inline bool usesCompactLayout(double contentWidth) {
    return contentWidth < compactViewerControlWidth;
}

// Regular: one row at the top right (picker, menu, pin, area selection, close).
// Compact: the four buttons at the top right and a full-width picker under them.
// `pickerWidth` is the picker's natural width; it is never narrower than 140
// points in the regular layout and never starts left of the 12-point margin.
// `topInset` moves everything down, below whatever covers the top of the
// content (the menu bar while it shows).
ViewerControlFrames layoutViewerControls(QSize content, int pickerWidth, bool compact,
                                         int topInset = 0);

} // namespace rure
