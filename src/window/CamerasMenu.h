#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QMenu;

namespace rure {

// The Cameras submenu of the main menu: every camera by name, in list order,
// with a check mark on the current one and Ctrl+1 to Ctrl+9 beside the first
// nine. Its items are made when it opens, and again only after the names
// change: a menu's items cost time that grows with their number.
class CamerasMenu final : public QObject {
    Q_OBJECT

public:
    // `menu` is the submenu, which its parent menu owns and may delete first.
    explicit CamerasMenu(QMenu& menu);

    void showCameras(const QStringList& names, qsizetype selected);
    // Makes the items now, unless they are current (the menu does so as it opens).
    void fill();

signals:
    // The user chose the item at `index`.
    void cameraChosen(qsizetype index);

private:
    QPointer<QMenu> menu_;
    QStringList names_;
    qsizetype selected_ = -1;
    bool filled_ = false;
};

} // namespace rure
