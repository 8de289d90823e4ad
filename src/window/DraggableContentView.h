#pragma once

#include <QRect>
#include <QWidget>

#include <functional>

namespace rure {

// The transparent view over the picture: reports hover, moves the window when
// the picture is dragged, and forwards right clicks.
class DraggableContentView final : public QWidget {
    Q_OBJECT

public:
    explicit DraggableContentView(QWidget* parent = nullptr);

    std::function<void(bool)> hoverChanged;
    std::function<void()> secondaryClick;
    std::function<void(QRect)> focusSelectionCompleted;
    std::function<void()> focusSelectionCancelled;
    std::function<QList<QRect>()> viewerControlRects;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

} // namespace rure
