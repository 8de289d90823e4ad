#include "ViewerMainMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace rure {

ViewerMainMenu::ViewerMainMenu(QWidget& window, const std::vector<MainMenuCommand>& commands)
    : menuBar_(new QMenuBar(&window)), popupMenu_(new QMenu(&window)) {
    menuBar_->setNativeMenuBar(true);
    QMenu* current = nullptr;
    QString currentTitle;
    for (const MainMenuCommand& command : commands) {
        if (!current || command.menu != currentTitle) {
            current = menuBar_->addMenu(command.menu);
            currentTitle = command.menu;
        }
        if (command.title.isEmpty()) {
            current->addSeparator();
            continue;
        }
        QAction* action = current->addAction(command.title);
        action->setShortcut(command.shortcut);
        action->setShortcutContext(Qt::ApplicationShortcut);
        QObject::connect(action, &QAction::triggered, action, command.action);
        // Shortcuts act even when no menu bar is on screen.
        window.addAction(action);
    }
    for (QAction* menu : menuBar_->actions()) {
        if (menu->menu()) {
            popupMenu_->addMenu(menu->menu());
        }
    }
    if (!menuBar_->isNativeMenuBar()) {
        menuBar_->setGeometry(0, 0, window.width(), menuBar_->sizeHint().height());
        menuBar_->hide();
    }
}

QAction* ViewerMainMenu::action(const QString& title) const {
    for (QAction* menu : menuBar_->actions()) {
        if (!menu->menu()) {
            continue;
        }
        for (QAction* item : menu->menu()->actions()) {
            if (item->text() == title) {
                return item;
            }
        }
    }
    return nullptr;
}

void ViewerMainMenu::toggleInWindowBar() {
    if (menuBar_->isNativeMenuBar()) {
        return;
    }
    if (menuBar_->isVisible()) {
        menuBar_->hide();
        return;
    }
    menuBar_->setGeometry(0, 0, menuBar_->parentWidget()->width(), menuBar_->sizeHint().height());
    menuBar_->raise();
    menuBar_->show();
}

} // namespace rure
