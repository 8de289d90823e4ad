#include "RurePalette.h"

namespace rure {

const QColor& RurePalette::cabin() {
    static const QColor colour = QColor::fromRgb(203, 93, 82, 255);
    return colour;
}

const QColor& RurePalette::cabinStrong() {
    static const QColor colour = QColor::fromRgb(179, 82, 72, 255);
    return colour;
}

QString RurePalette::accentButtonStyle(const QColor& fill) {
    const QColor pressed = fill.darker(115);
    return QStringLiteral("QPushButton { background-color: %1; color: white; border: none; "
                          "border-radius: 5px; padding: 4px 18px; }"
                          " QPushButton:pressed { background-color: %2; }"
                          // The keyboard's ring, in the text colour of the
                          // window around it: it stands out on either theme.
                          " QPushButton:focus { border: 2px solid palette(window-text); "
                          "padding: 2px 16px; }"
                          " QPushButton:disabled { background-color: rgba(%3, %4, %5, 115); "
                          "color: rgba(255, 255, 255, 190); }")
        .arg(fill.name(), pressed.name())
        .arg(fill.red())
        .arg(fill.green())
        .arg(fill.blue());
}

} // namespace rure
