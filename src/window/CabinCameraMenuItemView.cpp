#include "CabinCameraMenuItemView.h"

#include "common/RurePalette.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <utility>

namespace rure {

CabinCameraMenuItemView::CabinCameraMenuItemView(QAction* menuItem,
                                                 std::function<void()> activationHandler,
                                                 QWidget* parent)
    : QWidget(parent), menuItem_(menuItem), activationHandler_(std::move(activationHandler)) {
    setFixedHeight(rowSize.height());
    setMinimumWidth(rowSize.width());
    setMouseTracking(true);
    setAccessibleName(menuItem ? menuItem->text() : QString());
}

void CabinCameraMenuItemView::activateMenuItem() {
    if (menuItem_) {
        // End the menu's tracking so that it closes before the selection runs.
        for (QWidget* widget = parentWidget(); widget; widget = widget->parentWidget()) {
            if (auto* menu = qobject_cast<QMenu*>(widget)) {
                menu->hide();
                break;
            }
        }
    }
    if (activationHandler_) {
        activationHandler_();
    }
}

void CabinCameraMenuItemView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    isHighlighted = true;
    update();
}

void CabinCameraMenuItemView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    isHighlighted = false;
    update();
}

void CabinCameraMenuItemView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressedHere_ = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CabinCameraMenuItemView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const bool pressedHere = std::exchange(pressedHere_, false);
        event->accept();
        if (rect().contains(event->position().toPoint()) &&
            (pressedHere || !strayReleaseChooses ||
             strayReleaseChooses(event->globalPosition().toPoint()))) {
            activateMenuItem();
        }
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

QPalette CabinCameraMenuItemView::menuColours() const {
    // The row draws in its menu's colours, whatever palette the row itself
    // inherited on its way into the menu.
    for (const QWidget* widget = parentWidget(); widget; widget = widget->parentWidget()) {
        if (const auto* menu = qobject_cast<const QMenu*>(widget)) {
            return menu->palette();
        }
    }
    return palette();
}

void CabinCameraMenuItemView::paintEvent(QPaintEvent*) {
    if (!menuItem_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette colours = menuColours();
    if (isHighlighted) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colours.color(QPalette::Highlight));
        painter.drawRoundedRect(QRectF(rect()).adjusted(3, 1, -3, -1), 6, 6);
    }
    const QColor text =
        colours.color(isHighlighted ? QPalette::HighlightedText : QPalette::WindowText);
    if (isSelected) {
        // A check mark in the 12-point square at the row's leading edge.
        const QRectF box(9, (height() - 12) / 2.0, 12, 12);
        QPainterPath check;
        check.moveTo(box.left() + 1.5, box.center().y() + 0.5);
        check.lineTo(box.left() + 4.8, box.bottom() - 2);
        check.lineTo(box.right() - 1, box.top() + 2);
        painter.setPen(QPen(isHighlighted ? text : RurePalette::cabin(), 2.0, Qt::SolidLine,
                            Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(check);
    }
    QFont font = painter.font();
    font.setPointSizeF(12);
    font.setWeight(QFont::Medium);
    painter.setFont(font);
    painter.setPen(text);
    const QRect textRect = titleRect();
    painter.drawText(
        textRect, Qt::AlignVCenter | Qt::AlignLeft,
        painter.fontMetrics().elidedText(menuItem_->text(), Qt::ElideRight, textRect.width()));
}

} // namespace rure
