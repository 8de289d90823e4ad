#include "ViewerMainMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace rure {

namespace {

// The letter after the single "&" of a title; none without one.
QChar mnemonicOf(const QString& title) {
    for (qsizetype i = 0; i + 1 < title.size(); ++i) {
        if (title[i] == u'&') {
            if (title[i + 1] != u'&') {
                return title[i + 1].toLower();
            }
            ++i;
        }
    }
    return {};
}

} // namespace

QString withoutMnemonic(const QString& title) {
    QString plain;
    plain.reserve(title.size());
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (title[i] == u'&' && i + 1 < title.size()) {
            ++i;
        }
        plain += title[i];
    }
    return plain;
}

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
        QList<QKeySequence> shortcuts;
        for (const QKeySequence& shortcut : QList{command.shortcut} + command.moreShortcuts) {
            if (!shortcut.isEmpty() && !shortcuts.contains(shortcut)) {
                shortcuts << shortcut;
            }
        }
        action->setShortcuts(shortcuts);
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
            if (item->text() == title || withoutMnemonic(item->text()) == title) {
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

bool ViewerMainMenu::openMenuWithMnemonic(QChar letter) {
    if (menuBar_->isNativeMenuBar()) {
        return false;
    }
    for (QAction* menu : menuBar_->actions()) {
        if (menu->menu() && mnemonicOf(menu->text()) == letter.toLower()) {
            if (!menuBar_->isVisible()) {
                toggleInWindowBar();
            }
            menuBar_->setActiveAction(menu);
            return true;
        }
    }
    return false;
}

} // namespace rure
