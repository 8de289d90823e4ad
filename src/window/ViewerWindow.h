#pragma once

#include "window/DraggableContentView.h"
#include "window/WindowResizeGeometry.h"

#include <QPointer>
#include <QSizeF>
#include <QWidget>

#include <functional>
#include <optional>

namespace rure {

// The viewer's one window: frameless, black and resizable from its edges,
// holding the content's aspect ratio while the user resizes it.
class ViewerWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize minimumContentSize{480, 270};
    static constexpr QSize initialContentSize{1120, 630};

    explicit ViewerWindow(QWidget* parent = nullptr);

    // The root view: every view of the window is its child, and it always
    // covers the whole window.
    QWidget* contentView() const { return contentView_; }

    // The picture and the pointer surface over it: children of the content
    // view that the window keeps filling it as it resizes. Null until set and
    // after either is deleted.
    void setPictureLayers(QWidget* picture, DraggableContentView* pointerSurface);
    QWidget* picture() const { return picture_; }
    DraggableContentView* pointerSurface() const { return pointerSurface_; }

    // The width : height that resizing holds; an empty size holds none. The
    // window is reshaped to the new ratio at once, or, in full screen, at the
    // first resize after it.
    void setContentAspectRatio(QSizeF ratio);
    QSizeF contentAspectRatio() const { return aspectRatio_; }

    // The smallest content size that resizing allows; minimumContentSize by default.
    void setMinimumContentSize(QSize size);
    QSize currentMinimumContentSize() const { return minimumSize_; }

    void setStaysOnTop(bool staysOnTop);
    bool staysOnTop() const;

    // Restores a frame saved by windowFrameText; false (and nothing changed)
    // when the text is unreadable or the frame would lie off every screen.
    bool restoreFrame(const QString& text);
    void centreOnScreen();
    // Shows the window and brings it to the front.
    void ensureShown();
    // Shows the window even when it is minimised, raises it and asks the
    // window manager to give it the keyboard.
    void bringToFront();

    // Enters full screen, or leaves it for the frame the window had before.
    // The title the task bar and window switcher show: the camera's name
    // before the program's, so that viewers can be told apart; the program's
    // alone without a camera.
    void showCameraName(const QString& name);
    void toggleFullScreen();

    // Alt and a letter reached the window: true when a menu opened for it.
    std::function<bool(QChar)> menuMnemonicPressed;
    // True while the edges must not start a resize (the picture takes every press).
    std::function<bool()> edgeResizeSuppressed;

    // Starts a user resize when `globalPosition` lies on an edge of the window;
    // the children that receive the pointer forward their presses here.
    bool beginEdgeResize(QPoint globalPosition);
    bool continueEdgeResize(QPoint globalPosition);
    bool endEdgeResize();
    ResizeEdges edgesAt(QPoint localPosition) const;

signals:
    // The window moved, resized, or is about to close.
    void didMove();
    void didResize();
    void willClose();
    // Alt (alone) or F10 was pressed: the menu bar's keys.
    void menuKeyPressed(Qt::Key key);
    // Tab (forward) or Shift+Tab reached the window: nothing in it had the
    // keyboard to pass on.
    void tabPressed(bool forward);
    // The window entered or left full screen, or was minimised or restored,
    // whether the viewer or the window manager did it.
    void windowStateChanged();
    // The pointer left the window, from whatever view it was over, or another
    // window now covers the place where it rests.
    void pointerLeft();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QRect availableScreenGeometry() const;
    void fillContentViewWithPictureLayers();
    void updateEdgeCursor(QWidget* target, QPoint localPosition);

    QWidget* contentView_;
    QPointer<QWidget> picture_;
    QPointer<DraggableContentView> pointerSurface_;
    QSizeF aspectRatio_{16, 9};
    QSize minimumSize_ = minimumContentSize;
    std::optional<QRect> resizeStartFrame_;
    QPoint resizeStartPosition_;
    ResizeEdges resizeEdges_;
    bool altAlone_ = false;
    // A ratio set in full screen reshapes the window once it has left it.
    bool reshapeAfterFullScreen_ = false;
};

} // namespace rure
