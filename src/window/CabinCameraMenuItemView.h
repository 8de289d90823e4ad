#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QAction;

namespace rure {

// One row of the camera menu: the camera's name, a check mark on the current
// camera, and the accent colour behind the highlighted row.
class CabinCameraMenuItemView final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize rowSize{210, 28};

    CabinCameraMenuItemView(QAction* menuItem, std::function<void()> activationHandler,
                            QWidget* parent = nullptr);

    bool isSelected = false;
    bool isHighlighted = false;
    // Asked when the left button is released over the row without having been
    // pressed on it (the release of the click that opened the menu, or of a
    // drag into it): whether that release, at this global position, chooses
    // the row. Without it, it does.
    std::function<bool(QPoint)> strayReleaseChooses;

    QAction* menuItem() const { return menuItem_; }
    QSize sizeHint() const override { return rowSize; }
    // Where the camera's name is drawn, right of the check mark.
    QRect titleRect() const { return QRect(29, 0, width() - 29 - 8, height()); }
    // The row was clicked: the menu closes first, then the handler runs.
    void activateMenuItem();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The palette of the menu that holds the row (the row's own without one).
    QPalette menuColours() const;

    QPointer<QAction> menuItem_;
    std::function<void()> activationHandler_;
    bool pressedHere_ = false;
};

} // namespace rure
