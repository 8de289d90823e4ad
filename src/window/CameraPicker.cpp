#include "CameraPicker.h"

#include "common/RurePalette.h"
#include "common/VisibleName.h"
#include "window/CabinCameraMenuItemView.h"
#include "window/ViewerControlButton.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidgetAction>

#include <utility>

namespace rure {

namespace {

constexpr int titleMargin = 6;
constexpr double cornerRadius = 8;

QPalette cameraMenuPalette() {
    QPalette colours;
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Window, QColor(0x26, 0x26, 0x26));
        colours.setColor(group, QPalette::WindowText, Qt::white);
        colours.setColor(group, QPalette::Text, Qt::white);
        colours.setColor(group, QPalette::Highlight, RurePalette::cabinStrong());
        colours.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    return colours;
}

// One entry of the camera menu. Its row is made by the menu as the entry is
// added, as a child of the menu, and is left to the menu to delete: handing a
// row back (Qt's default) moves it out of the menu, and every such move walks
// all of the menu's rows.
class CameraMenuEntry final : public QWidgetAction {
public:
    using QWidgetAction::QWidgetAction;

    CabinCameraMenuItemView* row() const {
        const QList<QWidget*> made = createdWidgets();
        return made.isEmpty() ? nullptr : static_cast<CabinCameraMenuItemView*>(made.first());
    }

    // Handed to the row: see CabinCameraMenuItemView::strayReleaseChooses.
    std::function<bool(QPoint)> strayReleaseChooses;

protected:
    QWidget* createWidget(QWidget* menu) override {
        QPointer<QWidgetAction> weakEntry(this);
        auto* row = new CabinCameraMenuItemView(
            this,
            [weakEntry] {
                if (weakEntry) {
                    weakEntry->trigger();
                }
            },
            menu);
        row->strayReleaseChooses = strayReleaseChooses;
        return row;
    }
    void deleteWidget(QWidget*) override {}
};

} // namespace

CameraPicker::CameraPicker(QWidget* parent) : QPushButton(parent) {
    // Before the menu is set: the rows must exist before the button measures
    // the menu to place it.
    connect(this, &QAbstractButton::pressed, this, &CameraPicker::makeRows);
    replaceMenu();
    setFocusPolicy(Qt::TabFocus);
    setToolTip(QStringLiteral("Choose a camera"));
    setAccessibleName(QStringLiteral("Choose a camera"));
    setCursor(Qt::ArrowCursor);
    QFont small = font();
    small.setPointSizeF(10);
    small.setWeight(QFont::Medium);
    setFont(small);
}

void CameraPicker::replaceMenu() {
    QMenu* previous = menu_;
    menu_ = new QMenu(this);
    menuHasRows_ = false;
    // The menu is dark whatever the desktop's colours; its rows draw in its palette.
    const QPalette colours = cameraMenuPalette();
    menu_->setPalette(colours);
    menu_->setStyleSheet(QStringLiteral("QMenu { background-color: %1; color: %2; "
                                        "border-radius: 8px; padding: 4px 0; }")
                             .arg(colours.color(QPalette::Window).name(),
                                  colours.color(QPalette::WindowText).name()));
    // The pointer and the arrow keys both move the highlight.
    connect(menu_, &QMenu::hovered, this, [this](QAction* hovered) {
        for (CabinCameraMenuItemView* row : madeRows()) {
            row->isHighlighted = row->menuItem() == hovered;
        }
        refreshMenuSelection();
    });
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        makeRows();
        highlightSelectedRow();
        emit menuAboutToShow();
    });
    connect(menu_, &QMenu::aboutToHide, this, [this] {
        openingPress_.reset();
        emit menuAboutToHide();
    });
    menu_->installEventFilter(this);
    setMenu(menu_);
    if (previous) {
        // Later: this may run on behalf of the old menu. Its rows go with it,
        // each deleted once, without being moved out of it first.
        previous->hide();
        previous->deleteLater();
    }
}

void CameraPicker::highlightSelectedRow() {
    const QList<QAction*> actions = menu_->actions();
    QAction* current =
        selectedIndex_ >= 0 && selectedIndex_ < actions.size() ? actions[selectedIndex_] : nullptr;
    if (current) {
        menu_->setActiveAction(current);
    }
    // Drawn at once, even while the menu is still disabled with the fading controls.
    for (CabinCameraMenuItemView* row : madeRows()) {
        row->isHighlighted = current && row->menuItem() == current;
    }
    refreshMenuSelection();
}

bool CameraPicker::eventFilter(QObject* watched, QEvent* event) {
    // Space chooses the highlighted row as Return does; the menu's own style
    // lets Space do nothing.
    if (watched == menu_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier &&
            menu_->activeAction()) {
            QKeyEvent returnKey(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(menu_, &returnKey);
            return true;
        }
    }
    return QPushButton::eventFilter(watched, event);
}

void CameraPicker::setItems(const QStringList& names) {
    names_ = names;
    selectedIndex_ = names_.isEmpty() ? -1 : 0;
    if (menuHasRows_) {
        replaceMenu();
    }
    update();
}

void CameraPicker::selectItem(qsizetype index) {
    if (index < 0 || index >= names_.size()) {
        return;
    }
    selectedIndex_ = index;
    update();
}

void CameraPicker::styleMenu(const std::function<void(qsizetype)>& choose) {
    choose_ = choose;
}

QList<CabinCameraMenuItemView*> CameraPicker::rowViews() {
    makeRows();
    return madeRows();
}

QList<CabinCameraMenuItemView*> CameraPicker::madeRows() const {
    QList<CabinCameraMenuItemView*> rows;
    if (!menuHasRows_) {
        return rows;
    }
    const QList<QAction*> actions = menu_->actions();
    rows.reserve(actions.size());
    for (QAction* action : actions) {
        if (auto* entry = dynamic_cast<CameraMenuEntry*>(action)) {
            if (CabinCameraMenuItemView* row = entry->row()) {
                rows << row;
            }
        }
    }
    return rows;
}

void CameraPicker::refreshMenuSelection() {
    const QList<CabinCameraMenuItemView*> rows = madeRows();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        rows[i]->isSelected = i == selectedIndex_;
        rows[i]->update();
    }
}

void CameraPicker::makeRows() {
    if (menuHasRows_) {
        return;
    }
    menuHasRows_ = true;
    for (qsizetype i = 0; i < names_.size(); ++i) {
        // Owned by the menu, so that they go with it.
        auto* entry = new CameraMenuEntry(menu_);
        entry->setText(visibleName(names_[i]));
        entry->setData(static_cast<qlonglong>(i));
        // A click on the row and Return on the highlighted row both trigger the
        // entry; the menu has closed by then.
        connect(entry, &QAction::triggered, this, [this, i] {
            if (choose_) {
                choose_(i);
            }
        });
        entry->strayReleaseChooses = [this](QPoint at) { return strayReleaseChooses(at); };
        menu_->addAction(entry);
    }
    refreshMenuSelection();
}

void CameraPicker::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        openingPress_ = event->globalPosition().toPoint();
    }
    const QPointer<CameraPicker> alive(this);
    QPushButton::mousePressEvent(event);
    // The menu may have run and closed inside the press, or not opened at all.
    if (alive && !menu_->isVisible()) {
        openingPress_.reset();
    }
}

bool CameraPicker::strayReleaseChooses(QPoint globalPosition) {
    if (!openingPress_) {
        return true;
    }
    // The opening click ends here. Only a drag into the menu chooses with it,
    // as in any menu; a click that stayed where it went down chooses nothing.
    const QPoint pressedAt = *std::exchange(openingPress_, std::nullopt);
    return (globalPosition - pressedAt).manhattanLength() >= QApplication::startDragDistance();
}

QString CameraPicker::title() const {
    return selectedIndex_ >= 0 ? visibleName(names_[selectedIndex_]) : QString();
}

QSize CameraPicker::sizeHint() const {
    return {fontMetrics().horizontalAdvance(title()) + 2 * titleMargin + 4, 24};
}

void CameraPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Dimmed, its title is fainter and its ground darker, so that it still
    // reads at 4.5:1 over a white picture.
    painter.setBrush(QColor(0, 0, 0, isDown() || !isEnabled() ? 200 : 168));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius,
                            cornerRadius);
    const QString title = this->title();
    const QRect titleRect = rect().adjusted(titleMargin, 0, -titleMargin, 0);
    painter.setPen(isEnabled() ? QColor(Qt::white) : QColor(255, 255, 255, 150));
    painter.setFont(font());
    painter.drawText(
        titleRect, Qt::AlignCenter,
        fontMetrics().elidedText(title, Qt::ElideRight, std::max(titleRect.width(), 0)));
    if (hasFocus()) {
        paintKeyboardFocusRing(painter, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5),
                               cornerRadius);
    }
}

void CameraPicker::keyPressEvent(QKeyEvent* event) {
    // Space opens the menu as on any menu button; so do the arrow keys.
    if ((event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) &&
        event->modifiers() == Qt::NoModifier && !names_.isEmpty()) {
        event->accept();
        showMenu();
        return;
    }
    QPushButton::keyPressEvent(event);
}

} // namespace rure
