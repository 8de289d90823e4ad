#include "TemporaryMaximum.h"

#include <algorithm>

namespace rure {

QRectF temporaryMaximumFrame(const QRectF& frame, QSizeF content, const QRectF& visible,
                             std::optional<double> appliedRatio) {
    const double contentWidth = content.width();
    const double contentHeight = content.height();
    const double dx = std::max(frame.width() - contentWidth, 0.0);
    const double dy = std::max(frame.height() - contentHeight, 0.0);
    const double availableWidth = std::max(visible.width() - dx, 1.0);
    const double availableHeight = std::max(visible.height() - dy, 1.0);

    double proportion = 0;
    if (appliedRatio) {
        proportion = *appliedRatio;
    } else {
        proportion = contentHeight <= 1 ? contentWidth : contentWidth / contentHeight;
    }
    proportion = std::max(proportion, 0.25);

    double width = 0;
    double height = 0;
    if (proportion < availableWidth / availableHeight) {
        width = availableHeight * proportion;
        height = availableHeight;
    } else {
        width = availableWidth;
        height = availableWidth / proportion;
    }
    QRectF maximum(0, 0, width + dx, height + dy);
    maximum.moveCenter(visible.center());
    return maximum;
}

} // namespace rure
