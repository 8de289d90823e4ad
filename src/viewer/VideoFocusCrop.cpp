#include "VideoFocusCrop.h"

#include <algorithm>
#include <cmath>

namespace rure {

namespace {

// Snaps an edge outward to a whole pixel inside 0 ... limit.
int64_t snappedDown(double edge, double limit) {
    return edge <= 0 ? 0 : static_cast<int64_t>(std::floor(std::min(limit, edge)));
}

int64_t snappedUp(double edge, double limit) {
    return edge <= 0 ? 0 : static_cast<int64_t>(std::ceil(std::min(limit, edge)));
}

} // namespace

QString VideoFocusCrop::engineText() const {
    return QStringLiteral("%1x%2+%3+%4").arg(width).arg(height).arg(x).arg(y);
}

std::optional<VideoFocusCrop> focusCropForSelection(const QRectF& selection, QSizeF viewSize,
                                                    const VideoSourceGeometry& geometry) {
    const int64_t W = geometry.width;
    const int64_t H = geometry.height;
    const QSizeF displayed = geometry.displayedSize();
    const double bw = viewSize.width();
    const double bh = viewSize.height();
    const double dw = displayed.width();
    const double dh = displayed.height();
    if (!(bw > 0) || !(bh > 0) || !(dw > 0) || !(dh > 0)) {
        return std::nullopt;
    }

    // The picture covers the view, centred.
    const double scale = std::max(bw / dw, bh / dh);
    const double offX = (bw - dw * scale) / 2;
    const double offY = (bh - dh * scale) / 2;

    const double left = (selection.left() - offX) / scale;
    const double right = (selection.right() - offX) / scale;
    const double top = (selection.top() - offY) / scale;
    const double bottom = (selection.bottom() - offY) / scale;

    const int64_t x0 = snappedDown(left, dw);
    const int64_t x1 = snappedUp(right, dw);
    const int64_t y0 = snappedDown(top, dh);
    const int64_t y1 = snappedUp(bottom, dh);
    const int64_t cw = x1 - x0;
    const int64_t ch = y1 - y0;
    if (cw < 2 || ch < 2) {
        return std::nullopt;
    }

    // Back to the picture before rotation.
    int64_t sx = x0;
    int64_t sy = y0;
    int64_t sw = cw;
    int64_t sh = ch;
    switch (geometry.rotation) {
    case 90:
        sx = y0;
        sy = H - x1;
        sw = ch;
        sh = cw;
        break;
    case 180:
        sx = W - x1;
        sy = H - y1;
        break;
    case 270:
        sx = W - y1;
        sy = x0;
        sw = ch;
        sh = cw;
        break;
    default:
        break;
    }

    VideoFocusCrop crop;
    crop.x = std::min(std::max<int64_t>(W - 2, 0), std::max<int64_t>(sx, 0));
    crop.y = std::min(std::max<int64_t>(H - 2, 0), std::max<int64_t>(sy, 0));
    crop.width = std::min(std::max<int64_t>(W - crop.x, 2), sw);
    crop.height = std::min(std::max<int64_t>(H - crop.y, 2), sh);
    crop.sourceSize = QSizeF(static_cast<double>(W), static_cast<double>(H));
    return crop;
}

double displayedCropRatio(const VideoFocusCrop& crop, int64_t rotation) {
    const double width = static_cast<double>(crop.width);
    const double height = static_cast<double>(crop.height);
    return rotation == 90 || rotation == 270 ? height / width : width / height;
}

std::optional<QRectF> focusedWindowFrame(const QRectF& current, double ratio, const QRectF& visible,
                                         double minimum) {
    if (!std::isfinite(ratio) || !(ratio > 0)) {
        return std::nullopt;
    }
    double th = current.height();
    double tw = ratio * th;
    if (visible.width() < tw) {
        tw = visible.width();
        th = tw / ratio;
    }
    if (visible.height() < th) {
        th = visible.height();
        tw = ratio * th;
    }
    const double fw = std::max(tw, minimum);
    const double fh = std::max(th, minimum);
    double fx = current.center().x() - fw / 2;
    fx = std::min(std::max(fx, visible.left()), std::max(visible.right() - fw, visible.left()));
    double fy = current.center().y() - fh / 2;
    fy = std::min(std::max(fy, visible.top()), std::max(visible.bottom() - fh, visible.top()));
    return QRectF(fx, fy, fw, fh);
}

} // namespace rure
