#pragma once

#include "viewer/VideoSourceGeometry.h"

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <optional>

namespace rure {

// A crop of the decoded picture, in its pixels before rotation, origin at its
// top-left corner.
struct VideoFocusCrop {
    int64_t x = 0;      // 0 ... sourceSize width - 2
    int64_t y = 0;      // 0 ... sourceSize height - 2
    int64_t width = 2;  // at least 2
    int64_t height = 2; // at least 2
    QSizeF sourceSize;  // the picture when the crop was made

    // The engine's crop text: "<width>x<height>+<x>+<y>".
    QString engineText() const;

    friend bool operator==(const VideoFocusCrop&, const VideoFocusCrop&) = default;
};

// The crop for a selection over the picture. `selection` is in the view's
// coordinates (y downward), `viewSize` the view's size; the picture fills the
// view (scaled to cover it, centred), turned by `geometry.rotation`. None when
// the view or the picture is empty, or the selection covers less than 2 x 2
// picture pixels.
std::optional<VideoFocusCrop> focusCropForSelection(const QRectF& selection, QSizeF viewSize,
                                                    const VideoSourceGeometry& geometry);

// The on-screen proportion (width : height) of `crop` when the picture is
// turned by `rotation` degrees.
double displayedCropRatio(const VideoFocusCrop& crop, int64_t rotation);

// The window frame that shows a crop of proportion `ratio`: the content height
// kept where the visible area allows, at least `minimum` on each side, centred
// on `current` and held inside `visible`. None when `ratio` is not a finite
// positive number.
std::optional<QRectF> focusedWindowFrame(const QRectF& current, double ratio, const QRectF& visible,
                                         double minimum);

} // namespace rure
