#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <optional>

namespace rure {

// The transparent view over the picture: reports hover, moves the window when
// the picture is dragged, forwards right clicks and double-clicks, and lets the
// user drag out an area of the picture to focus on.
class DraggableContentView final : public QWidget {
    Q_OBJECT

public:
    // The smallest selection, in points on each side, that is not a slip of the hand.
    static constexpr double minimumSelectionSide = 12.0;
    // The pause after a valid release before the selection is handed over.
    static constexpr int finalizingMilliseconds = 300;

    explicit DraggableContentView(QWidget* parent = nullptr);

    // The picture is being dragged: the window follows the pointer. The window
    // system's move by default (tests count drags instead); a click that does
    // not move the pointer starts none, so that the window system never takes
    // the second click of a double-click.
    std::function<void()> windowDragStarted;

    // Waits for the user to drag out an area.
    void beginFocusSelection();
    // Leaves selection or the pause after it; with `notify`, and a selection
    // actually active, tells focusSelectionCancelled.
    void cancelFocusSelection(bool notify);

    bool isSelectingFocusArea() const { return isSelectingFocusArea_; }
    bool isFinalizingFocusSelection() const { return isFinalizingFocusSelection_; }
    std::optional<QRectF> focusSelectionRect() const { return focusSelectionRect_; }
    // The hint shown while selecting.
    QString focusSelectionHint() const;
    // Whether a press on the picture may move the window.
    bool mouseDownCanMoveWindow() const { return !isSelectingFocusArea_; }

signals:
    void hoverChanged(bool pointerInside);
    void secondaryClick();
    // A double-click with the left button outside an area selection.
    void primaryDoubleClick();
    // The selected rectangle, in this view's coordinates.
    void focusSelectionCompleted(QRectF selection);
    void focusSelectionCancelled();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateSelectionCursor();
    void finishFocusSelection(QRectF selection);

    bool isSelectingFocusArea_ = false;
    bool isFinalizingFocusSelection_ = false;
    std::optional<QPointF> focusSelectionStart_;
    std::optional<QRectF> focusSelectionRect_;
    // Where a press that may become a window drag began (global coordinates).
    std::optional<QPointF> windowDragStart_;
    // Whether the last left press fell in an area selection or its pause.
    bool pressWasInSelection_ = false;
};

} // namespace rure
