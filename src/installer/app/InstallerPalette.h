#pragma once

#include <QColor>

namespace rure {

// The installer's accent colours: its check box and its button.
struct InstallerPalette {
    // sRGB 203/255, 93/255, 82/255, opaque; built once, on first use.
    static const QColor& cabinRed();
    // The accent deepened so that white text on it reads at 5:1: the Install
    // button's fill. sRGB 179/255, 82/255, 72/255.
    static const QColor& cabinRedStrong();
};

} // namespace rure
