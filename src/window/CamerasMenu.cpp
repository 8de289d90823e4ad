#include "CamerasMenu.h"

#include "common/VisibleName.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>

namespace rure {

namespace {

constexpr qsizetype numberedCameras = 9;

// A name as a menu title: an ampersand is a letter, not a mnemonic.
QString menuTitle(const QString& name) {
    QString title = visibleName(name);
    title.replace(u'&', QStringLiteral("&&"));
    return title;
}

} // namespace

CamerasMenu::CamerasMenu(QMenu& menu) : QObject(&menu), menu_(&menu) {
    connect(&menu, &QMenu::aboutToShow, this, &CamerasMenu::fill);
    fill();
}

void CamerasMenu::showCameras(const QStringList& names, qsizetype selected) {
    if (names != names_) {
        names_ = names;
        filled_ = false;
    }
    selected_ = selected;
    // A list that changed is made again when the menu next opens; until
    // then the old items stay, so that it never looks empty.
    if (filled_ && menu_) {
        const QList<QAction*> items = menu_->actions();
        if (selected_ >= 0 && selected_ < items.size()) {
            items[selected_]->setChecked(true);
        }
    }
}

void CamerasMenu::fill() {
    if (!menu_ || filled_) {
        return;
    }
    // Rebuilt while hidden or in its own aboutToShow, as Qt allows.
    menu_->clear();
    if (names_.isEmpty()) {
        menu_->addAction(QStringLiteral("No Cameras"))->setEnabled(false);
        filled_ = true;
        return;
    }
    auto* group = new QActionGroup(menu_);
    group->setExclusive(true);
    for (qsizetype index = 0; index < names_.size(); ++index) {
        QString title = menuTitle(names_[index]);
        if (index < numberedCameras) {
            // The keys themselves are the window's; the menu only shows them.
            title += u'\t' + QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + index))
                                 .toString(QKeySequence::NativeText);
        }
        QAction* item = menu_->addAction(title);
        item->setCheckable(true);
        item->setChecked(index == selected_);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, index] { emit cameraChosen(index); });
    }
    filled_ = true;
}

} // namespace rure
