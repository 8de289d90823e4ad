#pragma once

#include <QColor>
#include <QString>

namespace rure {

// The viewer's accent colour, shared by every tinted control and alert button.
struct RurePalette {
    // sRGB 203/255, 93/255, 82/255, opaque (#CB5D52). White on it measures
    // only 4.0:1: it tints symbols, marks and lines, never a text's background.
    static const QColor& cabin();
    // The accent deepened until white text on it reads at 5:1 (WCAG AA asks
    // 4.5:1): the fill behind white text (buttons, selected rows, highlighted
    // menu rows, selected text). sRGB 179/255, 82/255, 72/255 (#B35248).
    static const QColor& cabinStrong();

    // The style sheet of a push button filled with `fill` under white text:
    // the default button of alerts and windows. Pressed it darkens; disabled it
    // fades.
    static QString accentButtonStyle(const QColor& fill = cabinStrong());
};

} // namespace rure
