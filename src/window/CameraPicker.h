#pragma once

#include <QPushButton>
#include <QStringList>

#include <functional>

class QMenu;

namespace rure {

class CabinCameraMenuItemView;

// The camera chooser over the picture: a small dark pop-up button whose menu
// lists the camera names in order, as visibleName() shows them. It shows which camera is selected;
// the selection itself is the controller's, which tells the picker what to show.
class CameraPicker final : public QPushButton {
    Q_OBJECT

public:
    explicit CameraPicker(QWidget* parent = nullptr);

    void setItems(const QStringList& names);
    QStringList items() const { return names_; }
    // What the button shows: the selected camera's name as visibleName() shows it.
    QString title() const;
    qsizetype itemCount() const { return names_.size(); }

    // -1 when there are no items.
    qsizetype selectedIndex() const { return selectedIndex_; }
    // Selects `index` when it names an item; otherwise nothing changes.
    void selectItem(qsizetype index);

    QMenu* pickerMenu() const { return menu_; }
    // Gives every menu entry its row view; `choose` is called with the entry's
    // index when the row is clicked, or chosen with the arrow keys and Return
    // or Space (after the menu has closed).
    void styleMenu(const std::function<void(qsizetype)>& choose);
    // Marks the row of the selected item and redraws every row.
    void refreshMenuSelection();
    QList<CabinCameraMenuItemView*> rowViews() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildMenu();
    // The menu opens with the current camera as its keyboard item.
    void highlightSelectedRow();

    QMenu* menu_;
    QStringList names_;
    qsizetype selectedIndex_ = -1;
    std::function<void(qsizetype)> choose_;
};

} // namespace rure
