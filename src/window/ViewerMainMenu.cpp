#include "ViewerMainMenu.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
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
    : window_(&window), menuBar_(new QMenuBar(&window)), popupMenu_(new QMenu(&window)) {
    menuBar_->setNativeMenuBar(true);
    const auto announce = [this] { refresh(); };
    connect(popupMenu_, &QMenu::aboutToShow, this, announce);
    QMenu* current = nullptr;
    QString currentTitle;
    bool popupHasItems = false;
    for (const MainMenuCommand& command : commands) {
        if (!current || command.menu != currentTitle) {
            current = menuBar_->addMenu(command.menu);
            currentTitle = command.menu;
            connect(current, &QMenu::aboutToShow, this, announce);
            // Queued: moving to the next menu hides one before the other shows.
            connect(current, &QMenu::aboutToHide, this, &ViewerMainMenu::hideBarWithoutOpenMenu,
                    Qt::QueuedConnection);
        }
        if (command.title.isEmpty()) {
            current->addSeparator();
            continue;
        }
        if (command.opensSubmenu) {
            current->addMenu(command.title);
            continue;
        }
        QAction* action = current->addAction(command.title);
        action->setCheckable(command.checkable);
        if (command.headsPopup) {
            popupMenu_->addAction(action);
            popupHasItems = true;
        }
        QList<QKeySequence> shortcuts;
        for (const QKeySequence& shortcut : QList{command.shortcut} + command.moreShortcuts) {
            if (!shortcut.isEmpty() && !shortcuts.contains(shortcut)) {
                shortcuts << shortcut;
            }
        }
        action->setShortcuts(shortcuts);
        action->setShortcutContext(Qt::ApplicationShortcut);
        QObject::connect(action, &QAction::triggered, action, command.action);
        if (command.currentTitle || command.enabled || command.checked) {
            liveItems_.push_back({action, command.currentTitle, command.enabled, command.checked});
        }
        // Shortcuts act even when no menu bar is on screen.
        window.addAction(action);
    }
    if (popupHasItems) {
        popupMenu_->addSeparator();
    }
    for (QAction* menu : menuBar_->actions()) {
        if (menu->menu()) {
            popupMenu_->addMenu(menu->menu());
        }
    }
    if (!menuBar_->isNativeMenuBar()) {
        useDesktopColours();
        placeInWindowBar();
        menuBar_->hide();
        menuBarObject_ = menuBar_.data();
        windowObject_ = &window;
        menuBar_->installEventFilter(this);
        window.installEventFilter(this);
    }
}

void ViewerMainMenu::refresh() {
    for (const LiveItem& item : liveItems_) {
        if (item.title) {
            item.action->setText(item.title());
        }
        if (item.enabled) {
            item.action->setEnabled(item.enabled());
        }
        if (item.checked) {
            item.action->setChecked(item.checked());
        }
    }
}

void ViewerMainMenu::useDesktopColours() {
    // As a child of the black window the bar would inherit its black
    // background under the desktop's (often black) text.
    const QPalette desktop = QApplication::palette(menuBar_);
    QPalette own;
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto colourRole = static_cast<QPalette::ColorRole>(role);
            own.setBrush(group, colourRole, desktop.brush(group, colourRole));
        }
    }
    menuBar_->setPalette(own);
    menuBar_->setAutoFillBackground(true);
}

void ViewerMainMenu::placeInWindowBar() {
    if (window_ && menuBar_) {
        menuBar_->setGeometry(0, 0, window_->width(), menuBar_->sizeHint().height());
    }
}

bool ViewerMainMenu::eventFilter(QObject* watched, QEvent* event) {
    // Events also arrive while the window tears its children down, when the
    // bar is no longer a menu bar: the watched object is compared as an
    // object, and the bar is used only for the two events below.
    if (event->type() == QEvent::ApplicationPaletteChange && watched == menuBarObject_) {
        if (menuBar_) {
            useDesktopColours();
        }
    } else if (event->type() == QEvent::Resize && watched == windowObject_) {
        placeInWindowBar();
    } else if (event->type() == QEvent::KeyPress && watched == windowObject_) {
        return barKeyPressed(*static_cast<QKeyEvent*>(event));
    } else if (event->type() == QEvent::WindowDeactivate && watched == windowObject_) {
        setInWindowBarShown(false);
    }
    return false;
}

int ViewerMainMenu::inWindowBarHeight() const {
    return menuBar_ && !menuBar_->isNativeMenuBar() && !menuBar_->isHidden() ? menuBar_->height()
                                                                             : 0;
}

QAction* ViewerMainMenu::action(const QString& title) const {
    if (!menuBar_) {
        return nullptr;
    }
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

QMenu* ViewerMainMenu::submenu(const QString& title) const {
    QAction* item = action(title);
    return item ? item->menu() : nullptr;
}

void ViewerMainMenu::toggleInWindowBar() {
    if (menuBar_) {
        setInWindowBarShown(menuBar_->isHidden());
    }
}

void ViewerMainMenu::setInWindowBarShown(bool shown) {
    if (!menuBar_ || menuBar_->isNativeMenuBar() || shown == !menuBar_->isHidden()) {
        return;
    }
    if (shown) {
        placeInWindowBar();
        menuBar_->raise();
        menuBar_->show();
    } else {
        menuBar_->hide();
    }
    emit inWindowBarChanged(inWindowBarHeight());
}

void ViewerMainMenu::openMenu(QAction* menu) {
    if (!menuBar_ || menuBar_->isNativeMenuBar() || menu == nullptr) {
        return;
    }
    setInWindowBarShown(true);
    menuBar_->setActiveAction(menu);
}

void ViewerMainMenu::openFirstMenu() {
    if (menuBar_ && !menuBar_->actions().isEmpty()) {
        openMenu(menuBar_->actions().constFirst());
    }
}

void ViewerMainMenu::hideBarWithoutOpenMenu() {
    if (!menuBar_) {
        return;
    }
    for (QAction* menu : menuBar_->actions()) {
        if (menu->menu() && menu->menu()->isVisible()) {
            return;
        }
    }
    setInWindowBarShown(false);
}

bool ViewerMainMenu::barKeyPressed(const QKeyEvent& key) {
    if (!menuBar_ || menuBar_->isHidden() || key.modifiers() != Qt::NoModifier) {
        return false;
    }
    const QList<QAction*> menus = menuBar_->actions();
    switch (key.key()) {
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Right:
        openFirstMenu();
        return true;
    case Qt::Key_Left:
        if (!menus.isEmpty()) {
            openMenu(menus.constLast());
        }
        return true;
    case Qt::Key_Escape:
        setInWindowBarShown(false);
        return true;
    default:
        return false;
    }
}

bool ViewerMainMenu::openMenuWithMnemonic(QChar letter) {
    if (menuBar_->isNativeMenuBar()) {
        return false;
    }
    for (QAction* menu : menuBar_->actions()) {
        if (menu->menu() && mnemonicOf(menu->text()) == letter.toLower()) {
            openMenu(menu);
            return true;
        }
    }
    return false;
}

} // namespace rure
