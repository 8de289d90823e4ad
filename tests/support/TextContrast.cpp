#include "TextContrast.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace rure::test {

namespace {

double linearChannel(double encoded) {
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

} // namespace

double relativeLuminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * linearChannel(rgb.redF()) + 0.7152 * linearChannel(rgb.greenF()) +
           0.0722 * linearChannel(rgb.blueF());
}

double contrastRatio(const QColor& first, const QColor& second) {
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QString TextContrast::describe() const {
    return QStringLiteral("text %1 on %2: %3:1")
        .arg(text.name(), background.name(), QString::number(ratio, 'f', 2));
}

TextContrast measureTextContrast(const QImage& image, const QRect& box) {
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    const QRect area = box.intersected(pixels.rect());
    TextContrast result;
    if (area.isEmpty()) {
        return result;
    }
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[line[x]];
        }
    }
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    result.background = QColor::fromRgb(background);
    result.text = result.background;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const QColor candidate = QColor::fromRgb(it.key());
        const double ratio = contrastRatio(candidate, result.background);
        if (ratio > result.ratio) {
            result.ratio = ratio;
            result.text = candidate;
        }
    }
    return result;
}

} // namespace rure::test
