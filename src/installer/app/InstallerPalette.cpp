#include "InstallerPalette.h"

namespace rure {

const QColor& InstallerPalette::cabinRed() {
    static const QColor colour = QColor::fromRgbF(203 / 255.0f, 93 / 255.0f, 82 / 255.0f, 1.0f);
    return colour;
}

const QColor& InstallerPalette::cabinRedStrong() {
    static const QColor colour = QColor::fromRgbF(179 / 255.0f, 82 / 255.0f, 72 / 255.0f, 1.0f);
    return colour;
}

} // namespace rure
