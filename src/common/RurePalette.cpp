#include "RurePalette.h"

#include <algorithm>
#include <cmath>

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

namespace {

// What the measure asks for, with a little room for rounding to 8 bits.
constexpr double readable = 4.6;

double luminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

// `share` of `from` and the rest of `to`.
QColor blend(const QColor& from, const QColor& to, double share) {
    const auto mix = [share](float a, float b) {
        return static_cast<float>(share * a + (1 - share) * b);
    };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                            mix(from.blueF(), to.blueF()));
}

} // namespace

double RurePalette::contrast(const QColor& first, const QColor& second) {
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor RurePalette::readableFaded(const QColor& text, const QColor& background) {
    for (double share = 0.5; share < 1.0; share += 0.02) {
        const QColor faded = blend(text, background, share);
        if (contrast(faded, background) >= readable) {
            return faded;
        }
    }
    return text;
}

QColor RurePalette::readableAccent(const QColor& background) {
    const QColor towards = luminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    for (double share = 0.0; share < 1.0; share += 0.02) {
        const QColor accent = blend(towards, cabin(), share);
        if (contrast(accent, background) >= readable) {
            return accent;
        }
    }
    return towards;
}

} // namespace rure
