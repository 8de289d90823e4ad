#include "DraggableContentView.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace rure {

namespace {

const QString dragHint = QStringLiteral("Drag to select an area");
const QString releaseHint = QStringLiteral("Release to focus");

constexpr double dimmingAlpha = 0.42;
constexpr double hintAlpha = 0.78;
constexpr double hintBottom = 18;
constexpr double hintPaddingX = 12;
constexpr double hintPaddingY = 5;
constexpr double hintCornerRadius = 8;

} // namespace

DraggableContentView::DraggableContentView(QWidget* parent) : QWidget(parent) {
    windowDragStarted = [this] {
        if (QWindow* handle = window()->windowHandle()) {
            handle->startSystemMove();
        }
    };
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

QString DraggableContentView::focusSelectionHint() const {
    return focusSelectionStart_ ? releaseHint : dragHint;
}

void DraggableContentView::beginFocusSelection() {
    windowDragStart_.reset();
    isSelectingFocusArea_ = true;
    isFinalizingFocusSelection_ = false;
    focusSelectionStart_.reset();
    focusSelectionRect_.reset();
    // Escape must reach this view.
    setFocus(Qt::OtherFocusReason);
    updateSelectionCursor();
    update();
}

void DraggableContentView::cancelFocusSelection(bool notify) {
    const bool wasActive = isSelectingFocusArea_ || isFinalizingFocusSelection_;
    isSelectingFocusArea_ = false;
    isFinalizingFocusSelection_ = false;
    focusSelectionStart_.reset();
    focusSelectionRect_.reset();
    updateSelectionCursor();
    update();
    if (notify && wasActive) {
        emit focusSelectionCancelled();
    }
}

void DraggableContentView::updateSelectionCursor() {
    if (isSelectingFocusArea_) {
        setCursor(Qt::CrossCursor);
    } else {
        unsetCursor();
    }
}

void DraggableContentView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    emit hoverChanged(true);
}

void DraggableContentView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    // Moving onto a control over the picture also "leaves" this view; that
    // is still over the picture. Another window opened over it (the camera
    // editor, a dialog) is not.
    const QPoint pointer = QCursor::pos();
    const QWidget* under = QApplication::widgetAt(pointer);
    emit hoverChanged(rect().contains(mapFromGlobal(pointer)) && under != nullptr &&
                      under->window() == window());
}

void DraggableContentView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::RightButton) {
        if (isSelectingFocusArea_) {
            cancelFocusSelection(true);
        } else {
            emit secondaryClick();
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    pressWasInSelection_ = isSelectingFocusArea_ || isFinalizingFocusSelection_;
    if (isFinalizingFocusSelection_) {
        return;
    }
    if (isSelectingFocusArea_) {
        const QPointF start = event->position();
        focusSelectionStart_ = start;
        focusSelectionRect_ = QRectF(start, QSizeF(0, 0));
        update();
        return;
    }
    if (mouseDownCanMoveWindow()) {
        windowDragStart_ = event->globalPosition();
    }
}

void DraggableContentView::mouseDoubleClickEvent(QMouseEvent* event) {
    // Qt turns the second press of a double-click into this event. When
    // either press falls in an area selection or its pause (the first click
    // may have ended the selection), it is an ordinary press.
    if (event->button() != Qt::LeftButton || pressWasInSelection_ || isSelectingFocusArea_ ||
        isFinalizingFocusSelection_) {
        mousePressEvent(event);
        return;
    }
    event->accept();
    windowDragStart_.reset();
    emit primaryDoubleClick();
}

void DraggableContentView::mouseMoveEvent(QMouseEvent* event) {
    emit hoverChanged(true);
    if (windowDragStart_ && (event->buttons() & Qt::LeftButton)) {
        if ((event->globalPosition() - *windowDragStart_).manhattanLength() >=
            QApplication::startDragDistance()) {
            windowDragStart_.reset();
            if (windowDragStarted) {
                windowDragStarted();
            }
        }
        event->accept();
        return;
    }
    if (isSelectingFocusArea_ && focusSelectionStart_ && (event->buttons() & Qt::LeftButton)) {
        const QPointF start = *focusSelectionStart_;
        const QPointF current = event->position();
        const QRectF spanned(
            QPointF(std::min(start.x(), current.x()), std::min(start.y(), current.y())),
            QPointF(std::max(start.x(), current.x()), std::max(start.y(), current.y())));
        focusSelectionRect_ = spanned.intersected(QRectF(rect()));
        repaint();
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void DraggableContentView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        windowDragStart_.reset();
    }
    if (event->button() != Qt::LeftButton || !isSelectingFocusArea_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    const QRectF selection = focusSelectionRect_.value_or(QRectF());
    if (selection.width() >= minimumSelectionSide && selection.height() >= minimumSelectionSide) {
        finishFocusSelection(selection);
    } else {
        cancelFocusSelection(true);
    }
}

void DraggableContentView::finishFocusSelection(QRectF selection) {
    isSelectingFocusArea_ = false;
    isFinalizingFocusSelection_ = true;
    focusSelectionStart_.reset();
    updateSelectionCursor();
    repaint();
    // A short pause shows the chosen area before the picture changes.
    QPointer<DraggableContentView> weakSelf(this);
    QTimer::singleShot(finalizingMilliseconds, this, [weakSelf, selection] {
        if (!weakSelf || !weakSelf->isFinalizingFocusSelection_) {
            return;
        }
        weakSelf->isFinalizingFocusSelection_ = false;
        weakSelf->focusSelectionRect_.reset();
        weakSelf->update();
        emit weakSelf->focusSelectionCompleted(selection);
    });
}

void DraggableContentView::keyPressEvent(QKeyEvent* event) {
    if (isSelectingFocusArea_ && event->key() == Qt::Key_Escape) {
        event->accept();
        cancelFocusSelection(true);
        return;
    }
    QWidget::keyPressEvent(event);
}

void DraggableContentView::paintEvent(QPaintEvent*) {
    if (!isSelectingFocusArea_ && !isFinalizingFocusSelection_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    const std::optional<QRectF> selection =
        focusSelectionRect_ && !focusSelectionRect_->isEmpty() ? focusSelectionRect_ : std::nullopt;

    // Dim everything but the selected area.
    QPainterPath dimming;
    dimming.setFillRule(Qt::OddEvenFill);
    dimming.addRect(bounds);
    if (selection) {
        dimming.addRect(*selection);
    }
    painter.fillPath(dimming, QColor::fromRgbF(0, 0, 0, dimmingAlpha));

    // The hint pill near the bottom edge.
    QFont font = painter.font();
    font.setPointSizeF(12);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    const QString hint = focusSelectionHint();
    const QFontMetricsF metrics(font);
    const double tw = metrics.horizontalAdvance(hint);
    const double th = metrics.height();
    const QRectF pill(bounds.center().x() - tw / 2 - hintPaddingX,
                      bounds.bottom() - hintBottom - (th + 2 * hintPaddingY), tw + 2 * hintPaddingX,
                      th + 2 * hintPaddingY);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, hintAlpha));
    painter.drawRoundedRect(pill, hintCornerRadius, hintCornerRadius);
    painter.setPen(Qt::white);
    painter.drawText(pill.adjusted(hintPaddingX, hintPaddingY, -hintPaddingX, -hintPaddingY),
                     Qt::AlignCenter, hint);

    // The dashed outline of the selection.
    if (selection) {
        QPen outline(Qt::white, 2);
        outline.setDashPattern({3, 2}); // 6 on, 4 off at a width of 2
        outline.setDashOffset(0);
        painter.setPen(outline);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(selection->adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

} // namespace rure
