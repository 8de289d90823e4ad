#pragma once

#include <QKeySequence>
#include <QList>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QKeyEvent;
class QMenu;
class QWidget;

namespace rure {

// One command of the main menu. Titles carry their mnemonic ("&Rure", "&Close").
struct MainMenuCommand {
    QString menu{};  // "&Rure", "&Window" or "&Help"
    QString title{}; // empty: a separator
    QKeySequence shortcut{};
    std::function<void()> action{};
    // Further keys for the same command, after `shortcut`.
    QList<QKeySequence> moreShortcuts{};
    // The item carries a check mark, which its owner sets.
    bool checkable = false;
    // The item also heads the menu button's pop-up, above the menus.
    bool headsPopup = false;
    // The item opens a submenu, which its owner fills (submenu()).
    bool opensSubmenu = false;
    // What the item shows as things are now, asked each time a menu shows and
    // on refresh(); each one unset leaves the item as built. The title (with
    // its mnemonic) replaces `title`; a check mark needs `checkable`.
    std::function<QString()> currentTitle{};
    std::function<bool()> enabled{};
    std::function<bool()> checked{};
};

// A title as the user reads it: "&Close" is "Close", "&&" an ampersand.
QString withoutMnemonic(const QString& title);

// The viewer's menu bar: "Rure", "Window" and "Help", built once at launch.
// The bar goes to the desktop's global menu where there is one; otherwise it
// lies hidden over the top of the window, in the desktop's colours (not the
// black window's) and across the window's whole width, and shows only while
// the user works in it: Alt shows it (Down, Return or Space then opens the
// first menu, Escape hides it), F10 or Alt and a menu's letter open a menu,
// and it goes when its last open menu closes. Every shortcut works either
// way, because the commands are also actions of the window.
class ViewerMainMenu final : public QObject {
    Q_OBJECT

public:
    ViewerMainMenu(QWidget& window, const std::vector<MainMenuCommand>& commands);

    QMenuBar* menuBar() const { return menuBar_; }
    // The same menus gathered in one pop-up, for the menu button over the picture.
    QMenu* popupMenu() const { return popupMenu_; }
    // The action of the command with this title (with or without its
    // mnemonic), or null.
    QAction* action(const QString& title) const;
    // The submenu of the command with this title, or null.
    QMenu* submenu(const QString& title) const;

    // Shows or hides the in-window bar (nothing when the desktop shows it).
    void toggleInWindowBar();
    // Shows the in-window bar with its first menu open.
    void openFirstMenu();
    // The height the in-window bar covers at the top of the window: 0 while
    // it is hidden or the desktop shows the menus.
    int inWindowBarHeight() const;
    // Alt and the mnemonic of a menu while the in-window bar is hidden: shows
    // the bar with that menu open. False when no menu has that mnemonic.
    bool openMenuWithMnemonic(QChar letter);
    // Shows on every item the state of things as they are now (titles, check
    // marks, and whether each works, with its shortcut); done by itself just
    // before any of the menus or the pop-up shows.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // inWindowBarHeight(), each time the in-window bar shows or hides.
    void inWindowBarChanged(int height);

private:
    void useDesktopColours();
    void placeInWindowBar();
    void setInWindowBarShown(bool shown);
    void openMenu(QAction* menu);
    // After a menu of the bar closed: the bar goes unless another one opened.
    void hideBarWithoutOpenMenu();
    // A key while the bar shows with no menu open; true when it was the bar's.
    bool barKeyPressed(const QKeyEvent& key);

    // The bar and the pop-up belong to the window, which may go first.
    QPointer<QWidget> window_;
    QPointer<QMenuBar> menuBar_;
    // The same two as plain objects, only to tell which one an event is for.
    const QObject* menuBarObject_ = nullptr;
    const QObject* windowObject_ = nullptr;
    QMenu* popupMenu_;
    struct LiveItem {
        QAction* action;
        std::function<QString()> title;
        std::function<bool()> enabled;
        std::function<bool()> checked;
    };
    std::vector<LiveItem> liveItems_;
};

} // namespace rure
