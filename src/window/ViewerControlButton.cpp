#include "ViewerControlButton.h"

#include "common/RurePalette.h"

#include <QPainter>
#include <QPainterPath>

#include <numbers>

namespace rure {

namespace {

constexpr double symbolSide = 13.0;

} // namespace

void paintKeyboardFocusRing(QPainter& painter, const QRectF& bounds, double radius) {
    painter.save();
    painter.setPen(QPen(Qt::white, 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(1.0, 1.0, -1.0, -1.0), radius, radius);
    painter.restore();
}

ViewerControlButton::ViewerControlButton(const QString& toolTip, QWidget* parent)
    : QAbstractButton(parent) {
    setToolTip(toolTip);
    setAccessibleName(toolTip);
    setFixedSize(size);
    // Tab reaches the controls; a click leaves the keyboard where it was.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
}

void ViewerControlButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillColour());
    painter.drawRoundedRect(bounds, 6, 6);
    QRectF square(0, 0, symbolSide, symbolSide);
    square.moveCenter(bounds.center());
    paintSymbol(painter, square);
    if (hasFocus()) {
        paintKeyboardFocusRing(painter, bounds, 6);
    }
}

QColor ViewerControlButton::fillColour() const {
    return QColor::fromRgbF(0, 0, 0, 0.76f);
}

PinToggleButton::PinToggleButton(QWidget* parent)
    : ViewerControlButton(QStringLiteral("Stay on Top"), parent) {
    setCheckable(true);
}

QColor PinToggleButton::fillColour() const {
    return isChecked() ? RurePalette::cabin() : ViewerControlButton::fillColour();
}

void PinToggleButton::paintSymbol(QPainter& painter, const QRectF& square) {
    painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(isChecked() ? QColor(Qt::white) : QColor(Qt::transparent));
    const double x = square.center().x();
    QPainterPath head;
    head.addRoundedRect(QRectF(x - 3.5, square.top(), 7, 6.5), 1.5, 1.5);
    painter.drawPath(head);
    painter.drawLine(QPointF(square.left() + 1.5, square.top() + 7.5),
                     QPointF(square.right() - 1.5, square.top() + 7.5));
    painter.drawLine(QPointF(x, square.top() + 7.5), QPointF(x, square.bottom()));
}

FocusViewerButton::FocusViewerButton(QWidget* parent)
    : ViewerControlButton(QStringLiteral("Focus on an Area"), parent) {}

QColor FocusViewerButton::fillColour() const {
    return QColor::fromRgbF(0, 0, 0, isSelectingArea ? 0.9f : 0.76f);
}

void FocusViewerButton::paintSymbol(QPainter& painter, const QRectF& square) {
    painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    const QRectF r = square.adjusted(0.75, 0.75, -0.75, -0.75);
    if (showsRestoreIcon) {
        // A counter-clockwise arrow: back to the original view.
        painter.drawArc(r.adjusted(1, 1, -1, -1), 100 * 16, 290 * 16);
        const QPointF tip(r.center().x() - 1.0, r.top() + 1.0);
        painter.drawLine(tip, tip + QPointF(3.0, -2.2));
        painter.drawLine(tip, tip + QPointF(3.0, 2.2));
        return;
    }
    // A magnifier with a plus: zoom in on a part of the picture. (Four corner
    // marks would read as full screen.)
    const double radius = 4.25;
    const QPointF lens(r.left() + radius + 0.25, r.top() + radius + 0.25);
    painter.drawEllipse(lens, radius, radius);
    const double arm = 2.0;
    painter.drawLine(lens - QPointF(arm, 0), lens + QPointF(arm, 0));
    painter.drawLine(lens - QPointF(0, arm), lens + QPointF(0, arm));
    painter.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
    const double rim = radius / std::numbers::sqrt2;
    painter.drawLine(lens + QPointF(rim + 0.75, rim + 0.75), r.bottomRight());
}

MainMenuButton::MainMenuButton(QWidget* parent)
    : ViewerControlButton(QStringLiteral("Menu"), parent) {}

void MainMenuButton::paintSymbol(QPainter& painter, const QRectF& square) {
    // Three horizontal lines.
    painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
    const QRectF r = square.adjusted(1.5, 2.5, -1.5, -2.5);
    for (int line = 0; line < 3; ++line) {
        const double y = r.top() + line * r.height() / 2;
        painter.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

CloseViewerButton::CloseViewerButton(QWidget* parent)
    : ViewerControlButton(QStringLiteral("Quit Rure"), parent) {}

void CloseViewerButton::paintSymbol(QPainter& painter, const QRectF& square) {
    painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    const QRectF r = square.adjusted(2, 2, -2, -2);
    painter.drawLine(r.topLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomLeft());
}

} // namespace rure
