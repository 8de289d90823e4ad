#include "ViewerControlLayout.h"

#include <algorithm>

namespace rure {

ViewerControlFrames layoutViewerControls(QSize content, int pickerWidth, bool compact,
                                         int topInset) {
    using namespace viewerControlMetrics;
    ViewerControlFrames frames;
    const int top = topInset + margin;
    const int closeLeft = content.width() - margin - buttonWidth;
    frames.close = QRect(closeLeft, top, buttonWidth, controlHeight);
    frames.focus = QRect(closeLeft - spacing - buttonWidth, top, buttonWidth, controlHeight);
    frames.pin =
        QRect(frames.focus.left() - spacing - buttonWidth, top, buttonWidth, controlHeight);
    frames.menu = QRect(frames.pin.left() - spacing - buttonWidth, top, buttonWidth, controlHeight);
    if (compact) {
        const int pickerTop = frames.close.bottom() + 1 + spacing;
        frames.picker =
            QRect(margin, pickerTop, std::max(0, frames.close.right() + 1 - margin), controlHeight);
        return frames;
    }
    const int right = frames.menu.left() - spacing;
    const int width =
        std::min(std::max(pickerWidth, minimumPickerWidth), std::max(0, right - margin));
    frames.picker = QRect(right - width, top, width, controlHeight);
    return frames;
}

} // namespace rure
