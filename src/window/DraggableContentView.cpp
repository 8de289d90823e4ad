#include "DraggableContentView.h"

#include <QCursor>
#include <QMouseEvent>
#include <QWindow>

namespace rure {

DraggableContentView::DraggableContentView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

void DraggableContentView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (hoverChanged) {
        hoverChanged(true);
    }
}

void DraggableContentView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    // Moving onto a control over the picture also "leaves" this view; only
    // leaving its bounds counts.
    if (hoverChanged) {
        hoverChanged(rect().contains(mapFromGlobal(QCursor::pos())));
    }
}

void DraggableContentView::mouseMoveEvent(QMouseEvent* event) {
    if (hoverChanged) {
        hoverChanged(true);
    }
    QWidget::mouseMoveEvent(event);
}

void DraggableContentView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        if (secondaryClick) {
            secondaryClick();
        }
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        if (QWindow* handle = window()->windowHandle()) {
            handle->startSystemMove();
        }
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace rure
