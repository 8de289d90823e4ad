#include "ViewerWindow.h"

#include "window/DraggableContentView.h"

#include "window/WindowFrameText.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

namespace rure {

namespace {

// How close to an edge, in points, a press starts a resize instead of a move.
constexpr int resizeMargin = 6;

} // namespace

ViewerWindow::ViewerWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), contentView_(new QWidget(this)) {
    setWindowTitle(QStringLiteral("Rure"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setMinimumSize(minimumContentSize);
    resize(initialContentSize);
    contentView_->setGeometry(rect());
    contentView_->setMouseTracking(true);
}

void ViewerWindow::setContentAspectRatio(QSizeF ratio) {
    aspectRatio_ = ratio;
    if (ratio.isEmpty()) {
        return;
    }
    // Full screen has the screen's shape; the window takes the ratio when it
    // has its own frame again.
    if (isFullScreen()) {
        reshapeAfterFullScreen_ = true;
        return;
    }
    const QRect reshaped =
        frameWithAspectRatio(geometry(), ratio, minimumSize_, availableScreenGeometry());
    if (reshaped != geometry()) {
        setGeometry(reshaped);
    }
}

void ViewerWindow::setMinimumContentSize(QSize size) {
    minimumSize_ = size;
    setMinimumSize(size);
}

void ViewerWindow::setStaysOnTop(bool staysOnTop) {
    if (QWindow* handle = windowHandle()) {
        // setWindowFlags would hide the window; the QWindow flag does not.
        handle->setFlag(Qt::WindowStaysOnTopHint, staysOnTop);
    }
    setAttribute(Qt::WA_AlwaysStackOnTop, false);
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, staysOnTop);
    if (!isVisible()) {
        setWindowFlags(flags);
    } else {
        // Keep QWidget's record of the flags in step without re-creating the window.
        overrideWindowFlags(flags);
    }
}

bool ViewerWindow::staysOnTop() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

bool ViewerWindow::restoreFrame(const QString& text) {
    const std::optional<QRect> frame = windowFrameFromText(text);
    if (!frame) {
        return false;
    }
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(*frame)) {
            onScreen = true;
            break;
        }
    }
    if (!onScreen) {
        return false;
    }
    setGeometry(QRect(frame->topLeft(), frame->size().expandedTo(minimumContentSize)));
    return true;
}

void ViewerWindow::centreOnScreen() {
    const QRect available = availableScreenGeometry();
    if (available.isEmpty()) {
        return;
    }
    QRect frame = geometry();
    frame.moveCenter(available.center());
    setGeometry(frame);
}

void ViewerWindow::ensureShown() {
    if (!isVisible()) {
        show();
    }
    raise();
    activateWindow();
}

void ViewerWindow::bringToFront() {
    if (isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    ensureShown();
}

void ViewerWindow::showCameraName(const QString& name) {
    setWindowTitle(name.isEmpty() ? QStringLiteral("Rure")
                                  : QStringLiteral("%1 \u2014 Rure").arg(name));
}

void ViewerWindow::toggleFullScreen() {
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

QRect ViewerWindow::availableScreenGeometry() const {
    const QScreen* current = screen() ? screen() : QGuiApplication::primaryScreen();
    return current ? current->availableGeometry() : QRect();
}

void ViewerWindow::setPictureLayers(QWidget* picture, DraggableContentView* pointerSurface) {
    picture_ = picture;
    pointerSurface_ = pointerSurface;
    fillContentViewWithPictureLayers();
}

void ViewerWindow::fillContentViewWithPictureLayers() {
    const QRect bounds = contentView_->rect();
    for (QWidget* layer : {picture_.data(), static_cast<QWidget*>(pointerSurface_.data())}) {
        if (layer != nullptr) {
            layer->setGeometry(bounds);
        }
    }
}

void ViewerWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    contentView_->setGeometry(rect());
    fillContentViewWithPictureLayers();
    if (reshapeAfterFullScreen_ && !isFullScreen()) {
        reshapeAfterFullScreen_ = false;
        setContentAspectRatio(aspectRatio_);
    }
    emit didResize();
}

void ViewerWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    emit didMove();
}

void ViewerWindow::closeEvent(QCloseEvent* event) {
    emit willClose();
    event->accept();
}

void ViewerWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        emit windowStateChanged();
    }
}

void ViewerWindow::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit pointerLeft();
}

void ViewerWindow::keyPressEvent(QKeyEvent* event) {
    // Whether the Alt key's own press carries its modifier depends on the
    // platform: either way, nothing else is held.
    altAlone_ = event->key() == Qt::Key_Alt && (event->modifiers() & ~Qt::AltModifier) == 0;
    // Escape reaches the window only when nothing inside it (an area
    // selection, an open menu) took it first.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && isFullScreen()) {
        toggleFullScreen();
        return;
    }
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        emit tabPressed(event->key() == Qt::Key_Tab);
        return;
    }
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::NoModifier) {
        emit menuKeyPressed(Qt::Key_F10);
        return;
    }
    // The bar's own mnemonics act only while it is on screen.
    if (event->modifiers() == Qt::AltModifier && event->key() >= Qt::Key_A &&
        event->key() <= Qt::Key_Z && menuMnemonicPressed &&
        menuMnemonicPressed(QChar(u'a' + (event->key() - Qt::Key_A)))) {
        return;
    }
    QWidget::keyPressEvent(event);
}

void ViewerWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Alt && altAlone_) {
        altAlone_ = false;
        emit menuKeyPressed(Qt::Key_Alt);
        return;
    }
    altAlone_ = false;
    QWidget::keyReleaseEvent(event);
}

ResizeEdges ViewerWindow::edgesAt(QPoint localPosition) const {
    ResizeEdges edges;
    edges.left = localPosition.x() < resizeMargin;
    edges.right = localPosition.x() >= width() - resizeMargin;
    edges.top = localPosition.y() < resizeMargin;
    edges.bottom = localPosition.y() >= height() - resizeMargin;
    return edges;
}

bool ViewerWindow::beginEdgeResize(QPoint globalPosition) {
    // A full-screen window has no edges to pull.
    if (isFullScreen()) {
        return false;
    }
    const ResizeEdges edges = edgesAt(mapFromGlobal(globalPosition));
    if (!edges.any()) {
        return false;
    }
    resizeEdges_ = edges;
    resizeStartFrame_ = geometry();
    resizeStartPosition_ = globalPosition;
    return true;
}

bool ViewerWindow::continueEdgeResize(QPoint globalPosition) {
    if (!resizeStartFrame_) {
        return false;
    }
    setGeometry(resizedFrame(*resizeStartFrame_, resizeEdges_,
                             globalPosition - resizeStartPosition_, aspectRatio_, minimumSize_));
    return true;
}

bool ViewerWindow::endEdgeResize() {
    if (!resizeStartFrame_) {
        return false;
    }
    resizeStartFrame_.reset();
    return true;
}

void ViewerWindow::updateEdgeCursor(QWidget* target, QPoint localPosition) {
    const ResizeEdges edges = isFullScreen() ? ResizeEdges{} : edgesAt(localPosition);
    if ((edges.left && edges.top) || (edges.right && edges.bottom)) {
        target->setCursor(Qt::SizeFDiagCursor);
    } else if ((edges.right && edges.top) || (edges.left && edges.bottom)) {
        target->setCursor(Qt::SizeBDiagCursor);
    } else if (edges.left || edges.right) {
        target->setCursor(Qt::SizeHorCursor);
    } else if (edges.top || edges.bottom) {
        target->setCursor(Qt::SizeVerCursor);
    } else {
        target->unsetCursor();
    }
}

bool ViewerWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) {
        return false;
    }
    switch (event->type()) {
    // The second press of a double-click on an edge resizes as well.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            !(edgeResizeSuppressed && edgeResizeSuppressed()) &&
            beginEdgeResize(mouse->globalPosition().toPoint())) {
            return true;
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (continueEdgeResize(mouse->globalPosition().toPoint())) {
            return true;
        }
        if (mouse->buttons() == Qt::NoButton && !(edgeResizeSuppressed && edgeResizeSuppressed())) {
            updateEdgeCursor(widget, mapFromGlobal(mouse->globalPosition().toPoint()));
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        if (endEdgeResize()) {
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace rure
