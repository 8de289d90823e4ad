#include "ViewerControlLayout.h"

#include <algorithm>

namespace rure {

namespace {

constexpr int margin = 12;
constexpr int spacing = 6;
constexpr int buttonWidth = 28;
constexpr int controlHeight = 24;
constexpr int minimumPickerWidth = 140;

} // namespace

ViewerControlFrames layoutViewerControls(QSize content, int pickerWidth, bool compact) {
    ViewerControlFrames frames;
    const int closeLeft = content.width() - margin - buttonWidth;
    frames.close = QRect(closeLeft, margin, buttonWidth, controlHeight);
    frames.focus = QRect(closeLeft - spacing - buttonWidth, margin, buttonWidth, controlHeight);
    frames.pin =
        QRect(frames.focus.left() - spacing - buttonWidth, margin, buttonWidth, controlHeight);
    frames.menu =
        QRect(frames.pin.left() - spacing - buttonWidth, margin, buttonWidth, controlHeight);
    if (compact) {
        const int top = frames.close.bottom() + 1 + spacing;
        frames.picker =
            QRect(margin, top, std::max(0, frames.close.right() + 1 - margin), controlHeight);
        return frames;
    }
    const int right = frames.menu.left() - spacing;
    const int width =
        std::min(std::max(pickerWidth, minimumPickerWidth), std::max(0, right - margin));
    frames.picker = QRect(right - width, margin, width, controlHeight);
    return frames;
}

} // namespace rure
