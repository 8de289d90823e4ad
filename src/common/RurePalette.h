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

    // Contrast between two opaque colours, as WCAG measures it (1 to 21).
    static double contrast(const QColor& first, const QColor& second);
    // `text` faded toward `background` as far as it can go while it still
    // reads at 4.5:1 (WCAG AA) against it: secondary text and placeholders.
    static QColor readableFaded(const QColor& text, const QColor& background);
    // The accent as text on `background` (a link): deepened on a light
    // background, lightened on a dark one, until it reads at 4.5:1.
    static QColor readableAccent(const QColor& background);
};

} // namespace rure
