#include "StreamChoice.h"

namespace rure {

namespace {

constexpr double smallBelow = 0.4;
constexpr double mainAbove = 0.6;

double pixels(QSize size) {
    return size.isValid() ? static_cast<double>(size.width()) * size.height() : 0.0;
}

} // namespace

CameraStream chooseStream(const StreamChoiceInput& input, CameraStream current) {
    const double main = pixels(input.mainPicture);
    if (!input.smallStreamUsable || input.mainRequired || main <= 0.0) {
        return CameraStream::main;
    }
    const double share = pixels(input.shownArea) / main;
    if (share < smallBelow) {
        return CameraStream::small;
    }
    if (share > mainAbove) {
        return CameraStream::main;
    }
    return current;
}

} // namespace rure
