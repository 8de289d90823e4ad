#include "FusionAppearance.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace rure::test {

QString appearanceName(Appearance appearance) {
    return appearance == Appearance::dark ? QStringLiteral("dark") : QStringLiteral("light");
}

QPalette fusionPalette(Appearance appearance) {
    // The colours Qt's Fusion palette is made of, light and dark alike.
    const bool dark = appearance == Appearance::dark;
    const QColor windowText = dark ? QColor(240, 240, 240) : QColor(Qt::black);
    const QColor window = dark ? QColor(50, 50, 50) : QColor(239, 239, 239);
    const QColor light = window.lighter(150);
    const QColor mid = window.darker(130);
    const QColor midLight = mid.lighter(110);
    const QColor base = dark ? window.darker(140) : QColor(Qt::white);
    const QColor shade = window.darker(150);
    const QColor text = dark ? windowText : QColor(Qt::black);
    const QColor highlight(48, 140, 198);
    const QColor highlightedText = dark ? windowText : QColor(Qt::white);
    const QColor disabledText = dark ? QColor(130, 130, 130) : QColor(190, 190, 190);
    const QColor shadow = shade.darker(135);
    QColor placeholder = text;
    placeholder.setAlpha(128);

    QPalette palette(windowText, window, light, shade, mid, text, base);
    palette.setBrush(QPalette::Midlight, midLight);
    palette.setBrush(QPalette::Button, window);
    palette.setBrush(QPalette::Shadow, shadow);
    palette.setBrush(QPalette::HighlightedText, highlightedText);
    palette.setBrush(QPalette::Disabled, QPalette::Text, disabledText);
    palette.setBrush(QPalette::Disabled, QPalette::WindowText, disabledText);
    palette.setBrush(QPalette::Disabled, QPalette::ButtonText, disabledText);
    palette.setBrush(QPalette::Disabled, QPalette::Base, window);
    palette.setBrush(QPalette::Disabled, QPalette::Dark, QColor(209, 209, 209).darker(110));
    palette.setBrush(QPalette::Disabled, QPalette::Shadow, shadow.lighter(150));
    palette.setBrush(QPalette::Active, QPalette::Highlight, highlight);
    palette.setBrush(QPalette::Inactive, QPalette::Highlight, highlight);
    palette.setBrush(QPalette::Disabled, QPalette::Highlight, QColor(145, 145, 145));
    palette.setBrush(QPalette::PlaceholderText, placeholder);
    if (dark) {
        // A light blue reads on dark backgrounds where the default blue does not.
        palette.setBrush(QPalette::Link, highlight);
    }
    return palette;
}

ScopedFusionAppearance::ScopedFusionAppearance(Appearance appearance)
    : previousStyle_(QApplication::style()->name()), previousPalette_(QApplication::palette()) {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(fusionPalette(appearance));
}

ScopedFusionAppearance::~ScopedFusionAppearance() {
    QApplication::setStyle(QStyleFactory::create(previousStyle_));
    QApplication::setPalette(previousPalette_);
}

} // namespace rure::test
