#include "InstallerWindow.h"

#include "InstallerPalette.h"
#include "common/RurePalette.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace rure {
namespace {

constexpr QSize contentSize(480, 310);
constexpr QSize iconSize(72, 72);
constexpr int iconTop = 24;
constexpr int titleSpacing = 8;
constexpr int statusSpacing = 10;
constexpr int statusSideMargin = 46;
constexpr int checkboxSpacing = 14;
constexpr int buttonSpacing = 14;
constexpr int buttonWidth = 120;
// Sizes here are in device-independent pixels, the unit of the window's own
// geometry, so the title is sized in pixels rather than typographic points.
constexpr int titlePixelSize = 27;

QPixmap placeholderIcon() {
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap pixmap(iconSize * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(InstallerPalette::cabinRed());
    painter.drawEllipse(QRectF(QPointF(0, 0), QSizeF(iconSize)).adjusted(1, 1, -1, -1));
    return pixmap;
}

// The image scaled proportionally to fit 72 by 72, or the placeholder when it
// is missing or unreadable (no image plugin for its format).
QPixmap iconPixmap(const QString& path) {
    if (QFileInfo(path).isFile()) {
        const QPixmap pixmap = QIcon(path).pixmap(iconSize);
        if (!pixmap.isNull()) {
            return pixmap;
        }
    }
    return placeholderIcon();
}

// Tints through the palette so the active style keeps drawing the controls.
void tint(QWidget* widget, const QList<QPalette::ColorRole>& roles, const QColor& colour) {
    QPalette colours = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        for (QPalette::ColorRole role : roles) {
            colours.setColor(group, role, colour);
        }
    }
    widget->setPalette(colours);
}

} // namespace

InstallerWindow::InstallerWindow(const QString& iconPath, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      statusLabel_(new QLabel(this)), trashCheckbox_(new QCheckBox(this)),
      installButton_(new QPushButton(this)) {
    setWindowTitle(QStringLiteral("Rizezad Aduz"));
    setFixedSize(contentSize);

    const QPixmap icon = iconPixmap(iconPath);
    setWindowIcon(QIcon(icon));
    auto* iconView = new QLabel(this);
    iconView->setObjectName(QStringLiteral("icon"));
    iconView->setFixedSize(iconSize);
    iconView->setAlignment(Qt::AlignCenter);
    iconView->setPixmap(icon);

    auto* title = new QLabel(QStringLiteral("Rure"), this);
    title->setObjectName(QStringLiteral("title"));
    QFont titleFont = title->font();
    titleFont.setPixelSize(titlePixelSize);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    statusLabel_->setObjectName(QStringLiteral("status"));
    statusLabel_->setWordWrap(true);
    statusLabel_->setAlignment(Qt::AlignCenter);
    QPalette statusColours = statusLabel_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        statusColours.setColor(group, QPalette::WindowText,
                               statusColours.color(group, QPalette::PlaceholderText));
    }
    statusLabel_->setPalette(statusColours);
    statusLabel_->setText(
        QStringLiteral("Installs Rure in /opt. Existing camera settings will be preserved."));

    trashCheckbox_->setObjectName(QStringLiteral("trash"));
    trashCheckbox_->setText(QStringLiteral("Move the installer to Trash after opening Rure"));
    trashCheckbox_->setChecked(true);
    tint(trashCheckbox_, {QPalette::Text, QPalette::Highlight}, InstallerPalette::cabinRed());
    // The button keeps its place while the box is hidden.
    QSizePolicy keepPlace = trashCheckbox_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    trashCheckbox_->setSizePolicy(keepPlace);
    trashCheckbox_->hide();

    installButton_->setObjectName(QStringLiteral("install"));
    installButton_->setText(QStringLiteral("Install"));
    installButton_->setFixedWidth(buttonWidth);
    installButton_->setDefault(true);
    installButton_->setStyleSheet(
        RurePalette::accentButtonStyle(InstallerPalette::cabinRedStrong()));

    auto* statusRow = new QHBoxLayout;
    statusRow->setContentsMargins(statusSideMargin, 0, statusSideMargin, 0);
    statusRow->addWidget(statusLabel_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, iconTop, 0, 0);
    column->setSpacing(0);
    column->addWidget(iconView, 0, Qt::AlignHCenter);
    column->addSpacing(titleSpacing);
    column->addWidget(title, 0, Qt::AlignHCenter);
    column->addSpacing(statusSpacing);
    column->addLayout(statusRow);
    column->addSpacing(checkboxSpacing);
    column->addWidget(trashCheckbox_, 0, Qt::AlignHCenter);
    column->addSpacing(buttonSpacing);
    column->addWidget(installButton_, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

void InstallerWindow::centreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void InstallerWindow::keyPressEvent(QKeyEvent* event) {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (installButton_->isEnabled() && installButton_->isVisible()) {
            installButton_->click();
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace rure
