#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

namespace rure::test {

// WCAG 2 relative luminance of a colour, taken as opaque sRGB.
double relativeLuminance(const QColor& colour);
// WCAG 2 contrast ratio of two colours, from 1 (equal) to 21 (black on white).
double contrastRatio(const QColor& first, const QColor& second);

// WCAG AA for body text.
inline constexpr double readableTextContrast = 4.5;

// What a piece of rendered text measures against its background.
struct TextContrast {
    // The colour most pixels of the box have: the background around the glyphs.
    QColor background;
    // The pixel of the box that contrasts most with the background: the
    // glyphs' most solid part.
    QColor text;
    double ratio = 1.0;

    // "text #rrggbb on #rrggbb: 4.2:1", for failure messages.
    QString describe() const;
};

// Measures the text inside `box` of `image` (clipped to the image). A box that
// holds no text measures 1:1, so a text that was not drawn fails like an
// unreadable one.
TextContrast measureTextContrast(const QImage& image, const QRect& box);

} // namespace rure::test
