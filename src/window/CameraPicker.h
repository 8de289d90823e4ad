#pragma once

#include <QPushButton>
#include <QStringList>

class QMenu;

namespace rure {

// The camera chooser over the picture: a pop-up button whose menu lists the
// camera names in order. Its selected index is the current camera.
class CameraPicker final : public QPushButton {
    Q_OBJECT

public:
    explicit CameraPicker(QWidget* parent = nullptr);

    void setItems(const QStringList& names);
    QStringList items() const { return names_; }
    qsizetype itemCount() const { return names_.size(); }

    // -1 when there are no items.
    qsizetype selectedIndex() const { return selectedIndex_; }
    // Selects `index` when it names an item; otherwise nothing changes.
    void selectItem(qsizetype index);
    // Marks the menu entry of the selected item as the chosen one.
    void refreshMenuSelection();

signals:
    // The user chose the entry at `index` from the menu.
    void itemChosen(qsizetype index);

private:
    void rebuildMenu();

    QMenu* menu_;
    QStringList names_;
    qsizetype selectedIndex_ = -1;
};

} // namespace rure
