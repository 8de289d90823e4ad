#pragma once

#include <QColor>

namespace rure {

// The viewer's accent colour, shared by every tinted control and alert button.
struct RurePalette {
    // sRGB 203/255, 93/255, 82/255, opaque (#CB5D52).
    static const QColor& cabin();
};

} // namespace rure
