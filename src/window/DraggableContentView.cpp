#include "DraggableContentView.h"

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
    if (hoverChanged) {
        hoverChanged(false);
    }
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
