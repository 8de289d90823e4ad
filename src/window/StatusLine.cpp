#include "StatusLine.h"

#include <QMouseEvent>

#include <algorithm>
#include <utility>

namespace rure {

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("statusLine"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The plate's alpha keeps white text above 7 : 1 even over a white picture.
    setStyleSheet(QStringLiteral("QLabel#statusLine { color: #ffffff; "
                                 "background-color: rgba(0, 0, 0, 180); border-radius: 6px; "
                                 "padding: 4px 8px; }"));
    QFont small = font();
    small.setPointSizeF(std::max(9.0, small.pointSizeF() - 1));
    setFont(small);
    hide();
}

void StatusLine::showText(const QString& text) {
    if (text == this->text() && isVisible() == !text.isEmpty()) {
        return;
    }
    setText(text);
    setAccessibleName(text);
    setVisible(!text.isEmpty());
    if (parentWidget()) {
        placeIn(parentWidget()->size());
    }
}

void StatusLine::setClickAction(std::function<void()> action) {
    clickAction_ = std::move(action);
    const bool clickable = static_cast<bool>(clickAction_);
    setAttribute(Qt::WA_TransparentForMouseEvents, !clickable);
    if (clickable) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
}

void StatusLine::mouseReleaseEvent(QMouseEvent* event) {
    if (clickAction_ && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint())) {
        event->accept();
        // Copied: the action may take this line's action away.
        const std::function<void()> action = clickAction_;
        action();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void StatusLine::placeIn(const QSize& size) {
    const int available = std::max(0, size.width() - 2 * margin);
    const int width = std::min(sizeHint().width(), available);
    const int height = std::min(heightForWidth(width), std::max(0, size.height() - 2 * margin));
    setGeometry(margin, size.height() - margin - height, width, height);
}

} // namespace rure
