#include "RurePalette.h"

namespace rure {

const QColor& RurePalette::cabin() {
    static const QColor colour = QColor::fromRgb(203, 93, 82, 255);
    return colour;
}

} // namespace rure
