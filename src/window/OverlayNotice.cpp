#include "OverlayNotice.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>

#include <algorithm>

namespace rure {

OverlayNotice::OverlayNotice(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("overlayNotice"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setStyleSheet(QStringLiteral("QLabel#overlayNotice { color: #ffffff; "
                                 "background-color: rgba(0, 0, 0, 180); border-radius: 6px; "
                                 "padding: 6px 12px; }"));
    setGraphicsEffect(new QGraphicsOpacityEffect(this));
    shownTimer_.setSingleShot(true);
    shownTimer_.setInterval(shownMilliseconds);
    connect(&shownTimer_, &QTimer::timeout, this, &OverlayNotice::fadeOut);
    hide();
}

void OverlayNotice::showNotice(const QString& text) {
    if (fade_) {
        fade_->stop();
        delete fade_;
    }
    if (auto* effect = qobject_cast<QGraphicsOpacityEffect*>(graphicsEffect())) {
        effect->setOpacity(1.0);
    }
    setText(text);
    setAccessibleName(text);
    if (parentWidget()) {
        placeIn(parentWidget()->size());
    }
    show();
    raise();
    shownTimer_.start();
}

void OverlayNotice::placeIn(const QSize& size) {
    const int available = std::max(0, size.width() - 2 * margin);
    const int width = std::min(sizeHint().width(), available);
    const int height = std::min(heightForWidth(width), std::max(0, size.height() - 2 * margin));
    setGeometry((size.width() - width) / 2, size.height() - margin - height, width, height);
}

void OverlayNotice::dismiss() {
    shownTimer_.stop();
    if (fade_) {
        fade_->stop();
        delete fade_;
    }
    hide();
}

void OverlayNotice::fadeOut() {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(graphicsEffect());
    if (!effect) {
        hide();
        return;
    }
    auto* fade = new QPropertyAnimation(effect, "opacity", this);
    fade->setDuration(fadeMilliseconds);
    fade->setEndValue(0.0);
    connect(fade, &QAbstractAnimation::finished, this, &QWidget::hide);
    fade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace rure
