#pragma once

#include <QPushButton>
#include <QStringList>

#include <functional>
#include <optional>

class QMenu;

namespace rure {

class CabinCameraMenuItemView;

// The camera chooser over the picture: a small dark pop-up button whose menu
// lists the camera names in order, as visibleName() shows them. It shows which
// camera is selected; the selection itself is the controller's, which tells
// the picker what to show.
//
// The menu's rows are made when they are first needed (the button pressed,
// the menu about to show, rowViews() asked), not when the names are given: a
// Qt menu adds and removes each entry in time that grows with its length, so a
// list of tens of thousands of cameras would hold up the viewer's launch for
// many seconds. Rows of an older list go with their whole menu, in one step.
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

    // The menu of the current names; a new one after setItems() once the old
    // one had its rows.
    QMenu* pickerMenu() const { return menu_; }
    // `choose` is called with an entry's index when its row is clicked, or
    // chosen with the arrow keys and Return or Space (after the menu has closed).
    void styleMenu(const std::function<void(qsizetype)>& choose);
    // Marks the row of the selected item and redraws every row.
    void refreshMenuSelection();
    // Every row of the menu, made now if they were not yet.
    QList<CabinCameraMenuItemView*> rowViews();

    QSize sizeHint() const override;

signals:
    // The picker's menu is about to show, or to hide.
    void menuAboutToShow();
    void menuAboutToHide();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A new, empty menu in the picker's colours, made the button's menu.
    void replaceMenu();
    // Gives the menu one row per name, unless it has them.
    void makeRows();
    QList<CabinCameraMenuItemView*> madeRows() const;
    // The menu opens with the current camera as its keyboard item.
    void highlightSelectedRow();
    // Whether a release over a row that was not pressed on it chooses the row.
    bool strayReleaseChooses(QPoint globalPosition);

    QMenu* menu_ = nullptr;
    bool menuHasRows_ = false;
    QStringList names_;
    qsizetype selectedIndex_ = -1;
    std::function<void(qsizetype)> choose_;
    // Where the press that opened the menu went down, until its release: a
    // long menu opens under the pointer, and that release must not choose the
    // row it lands on.
    std::optional<QPoint> openingPress_;
};

} // namespace rure
