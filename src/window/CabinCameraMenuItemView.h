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
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The palette of the menu that holds the row (the row's own without one).
    QPalette menuColours() const;

    QPointer<QAction> menuItem_;
    std::function<void()> activationHandler_;
};

} // namespace rure
