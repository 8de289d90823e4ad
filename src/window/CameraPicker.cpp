#include "CameraPicker.h"

#include <QAction>
#include <QMenu>

namespace rure {

CameraPicker::CameraPicker(QWidget* parent) : QPushButton(parent), menu_(new QMenu(this)) {
    setMenu(menu_);
    setFocusPolicy(Qt::NoFocus);
}

void CameraPicker::setItems(const QStringList& names) {
    names_ = names;
    selectedIndex_ = names_.isEmpty() ? -1 : 0;
    rebuildMenu();
}

void CameraPicker::selectItem(qsizetype index) {
    if (index < 0 || index >= names_.size()) {
        return;
    }
    selectedIndex_ = index;
    setText(names_[index]);
    refreshMenuSelection();
}

void CameraPicker::refreshMenuSelection() {
    const QList<QAction*> actions = menu_->actions();
    for (qsizetype i = 0; i < actions.size(); ++i) {
        actions[i]->setChecked(i == selectedIndex_);
    }
}

void CameraPicker::rebuildMenu() {
    menu_->clear();
    for (qsizetype i = 0; i < names_.size(); ++i) {
        QAction* action = menu_->addAction(names_[i]);
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, i] { emit itemChosen(i); });
    }
    setText(selectedIndex_ >= 0 ? names_[selectedIndex_] : QString());
    refreshMenuSelection();
}

} // namespace rure
