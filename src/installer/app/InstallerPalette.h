#pragma once

#include <QColor>

namespace rure {

// The installer's accent colour, shared by its check box and its button.
struct InstallerPalette {
    // sRGB 203/255, 93/255, 82/255, opaque; built once, on first use.
    static const QColor& cabinRed();
};

} // namespace rure
