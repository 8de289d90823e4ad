#include "CameraPicker.h"

#include "common/RurePalette.h"
#include "common/VisibleName.h"
#include "window/CabinCameraMenuItemView.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QWidgetAction>

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

} // namespace

CameraPicker::CameraPicker(QWidget* parent) : QPushButton(parent), menu_(new QMenu(this)) {
    setMenu(menu_);
    setFocusPolicy(Qt::NoFocus);
    setToolTip(QStringLiteral("Choose a camera"));
    setAccessibleName(QStringLiteral("Choose a camera"));
    setCursor(Qt::ArrowCursor);
    QFont small = font();
    small.setPointSizeF(10);
    small.setWeight(QFont::Medium);
    setFont(small);
    // The menu is dark whatever the desktop's colours; its rows draw in its palette.
    const QPalette colours = cameraMenuPalette();
    menu_->setPalette(colours);
    menu_->setStyleSheet(QStringLiteral("QMenu { background-color: %1; color: %2; "
                                        "border-radius: 8px; padding: 4px 0; }")
                             .arg(colours.color(QPalette::Window).name(),
                                  colours.color(QPalette::WindowText).name()));
    // The pointer and the arrow keys both move the highlight.
    connect(menu_, &QMenu::hovered, this, [this](QAction* hovered) {
        for (CabinCameraMenuItemView* row : rowViews()) {
            row->isHighlighted = row->menuItem() == hovered;
        }
        refreshMenuSelection();
    });
    connect(menu_, &QMenu::aboutToShow, this, &CameraPicker::highlightSelectedRow);
    menu_->installEventFilter(this);
}

void CameraPicker::highlightSelectedRow() {
    const QList<QAction*> actions = menu_->actions();
    QAction* current =
        selectedIndex_ >= 0 && selectedIndex_ < actions.size() ? actions[selectedIndex_] : nullptr;
    if (current) {
        menu_->setActiveAction(current);
    }
    // Drawn at once, even while the menu is still disabled with the fading controls.
    for (CabinCameraMenuItemView* row : rowViews()) {
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
    rebuildMenu();
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
    rebuildMenu();
}

QList<CabinCameraMenuItemView*> CameraPicker::rowViews() const {
    QList<CabinCameraMenuItemView*> rows;
    for (QAction* action : menu_->actions()) {
        if (auto* widgetAction = qobject_cast<QWidgetAction*>(action)) {
            if (auto* row = qobject_cast<CabinCameraMenuItemView*>(widgetAction->defaultWidget())) {
                rows << row;
            }
        }
    }
    return rows;
}

void CameraPicker::refreshMenuSelection() {
    const QList<QAction*> actions = menu_->actions();
    for (qsizetype i = 0; i < actions.size(); ++i) {
        auto* widgetAction = qobject_cast<QWidgetAction*>(actions[i]);
        auto* row = widgetAction
                        ? qobject_cast<CabinCameraMenuItemView*>(widgetAction->defaultWidget())
                        : nullptr;
        if (row) {
            row->isSelected = i == selectedIndex_;
            row->update();
        }
    }
}

void CameraPicker::rebuildMenu() {
    menu_->clear();
    for (qsizetype i = 0; i < names_.size(); ++i) {
        auto* action = new QWidgetAction(menu_);
        action->setText(visibleName(names_[i]));
        action->setData(static_cast<qlonglong>(i));
        // A click on the row and Return on the highlighted row both trigger the
        // item; the menu has closed by then.
        connect(action, &QAction::triggered, this, [this, i] {
            if (choose_) {
                choose_(i);
            }
        });
        QPointer<QWidgetAction> weakAction(action);
        auto* row = new CabinCameraMenuItemView(action, [weakAction] {
            if (weakAction) {
                weakAction->trigger();
            }
        });
        action->setDefaultWidget(row);
        menu_->addAction(action);
    }
    refreshMenuSelection();
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
    painter.setBrush(QColor(0, 0, 0, isDown() ? 200 : 168));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius,
                            cornerRadius);
    const QString title = this->title();
    const QRect titleRect = rect().adjusted(titleMargin, 0, -titleMargin, 0);
    painter.setPen(isEnabled() ? QColor(Qt::white) : QColor(255, 255, 255, 120));
    painter.setFont(font());
    painter.drawText(
        titleRect, Qt::AlignCenter,
        fontMetrics().elidedText(title, Qt::ElideRight, std::max(titleRect.width(), 0)));
}

} // namespace rure
