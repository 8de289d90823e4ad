#include "DiscoverySheetPages.h"

#include "DiscoveredDeviceList.h"
#include "common/RurePalette.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace rure {

namespace {

QPushButton* sheetButton(const QString& title, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// The button that moves on: white on the accent, like the editor's Save.
QPushButton* sheetDefaultButton(const QString& title, const QString& name, QWidget* parent) {
    QPushButton* button = sheetButton(title, name, parent);
    button->setDefault(true);
    button->setStyleSheet(RurePalette::accentButtonStyle());
    return button;
}

QLabel* sheetLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* sheetHeading(const QString& name, QWidget* parent) {
    QLabel* label = sheetLabel(name, parent);
    QFont font = label->font();
    font.setPointSize(font.pointSize() + 3);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    return label;
}

QProgressBar* sheetProgressBar(const QString& name, QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setTextVisible(false);
    bar->setMaximumHeight(8);
    return bar;
}

// The buttons at the bottom: the first ones at the left, the others at the right.
QHBoxLayout* sheetButtonRow(const QList<QPushButton*>& left, const QList<QPushButton*>& right) {
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    for (QPushButton* button : left) {
        row->addWidget(button);
    }
    row->addStretch(1);
    for (QPushButton* button : right) {
        row->addWidget(button);
    }
    return row;
}

// Rows with room around their text, like the editor's table.
class RoomyRowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height() + 10, 28));
        return size;
    }
};

// Selected rows white on the accent, as in the editor's table: the style's own
// highlight is too light behind white text. The text of these lists is
// smaller than the editor's, and its smoothed glyphs never reach full white:
// on the deepened accent it measured 4.4:1, so the fill is a tenth darker
// still, where it reads at about 5:1.
void prepareList(QAbstractItemView* view) {
    view->setItemDelegate(new RoomyRowDelegate(view));
    const QColor fill = RurePalette::cabinStrong().darker(110);
    QPalette colours = view->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Highlight, fill);
        colours.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    view->setPalette(colours);
}

QVBoxLayout* sheetPageLayout(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    return layout;
}

} // namespace

DiscoverySearchPage buildSearchPage(QWidget* parent) {
    DiscoverySearchPage parts;
    parts.page = new QWidget(parent);
    parts.page->setObjectName(QStringLiteral("searchPage"));
    QLabel* heading = sheetHeading(QStringLiteral("searchHeading"), parts.page);
    heading->setText(QStringLiteral("Cameras on this computer\u2019s networks"));
    parts.status = sheetLabel(QStringLiteral("searchStatus"), parts.page);
    parts.progress = sheetProgressBar(QStringLiteral("searchProgress"), parts.page);
    parts.devices = new DiscoveredDeviceList(parts.page);
    prepareList(parts.devices);
    parts.message = sheetLabel(QStringLiteral("searchMessage"), parts.page);
    parts.message->hide();
    parts.searchAgain =
        sheetButton(QStringLiteral("Search Again"), QStringLiteral("searchAgain"), parts.page);
    parts.cancel = sheetButton(QStringLiteral("Cancel"), QStringLiteral("cancel"), parts.page);
    parts.next =
        sheetDefaultButton(QStringLiteral("Continue"), QStringLiteral("continue"), parts.page);

    QVBoxLayout* layout = sheetPageLayout(parts.page);
    layout->addWidget(heading);
    layout->addWidget(parts.status);
    layout->addWidget(parts.progress);
    layout->addWidget(parts.devices, 1);
    layout->addWidget(parts.message);
    layout->addLayout(sheetButtonRow({parts.searchAgain}, {parts.cancel, parts.next}));
    return parts;
}

DiscoveryLoginPage buildLoginPage(QWidget* parent) {
    DiscoveryLoginPage parts;
    parts.page = new QWidget(parent);
    parts.page->setObjectName(QStringLiteral("loginPage"));
    parts.heading = sheetHeading(QStringLiteral("loginHeading"), parts.page);
    auto* explanation = sheetLabel(QStringLiteral("loginExplanation"), parts.page);
    explanation->setText(QStringLiteral(
        "This camera needs the user name and password of one of its users. Rure sends the "
        "password to this camera only, as a digest, and keeps it in the camera\u2019s RTSP "
        "address."));
    parts.message = sheetLabel(QStringLiteral("loginMessage"), parts.page);
    QFont strong = parts.message->font();
    strong.setWeight(QFont::DemiBold);
    parts.message->setFont(strong);
    parts.message->hide();
    parts.userName = new QLineEdit(parts.page);
    parts.userName->setObjectName(QStringLiteral("userName"));
    parts.password = new QLineEdit(parts.page);
    parts.password->setObjectName(QStringLiteral("password"));
    parts.password->setEchoMode(QLineEdit::Password);
    parts.back = sheetButton(QStringLiteral("Back"), QStringLiteral("back"), parts.page);
    parts.connect =
        sheetDefaultButton(QStringLiteral("Connect"), QStringLiteral("connect"), parts.page);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("User name:"), parts.userName);
    form->addRow(QStringLiteral("Password:"), parts.password);
    QVBoxLayout* layout = sheetPageLayout(parts.page);
    layout->addWidget(parts.heading);
    layout->addWidget(explanation);
    layout->addLayout(form);
    layout->addWidget(parts.message);
    layout->addStretch(1);
    layout->addLayout(sheetButtonRow({}, {parts.back, parts.connect}));
    return parts;
}

DiscoveryWorkingPage buildWorkingPage(QWidget* parent) {
    DiscoveryWorkingPage parts;
    parts.page = new QWidget(parent);
    parts.page->setObjectName(QStringLiteral("workingPage"));
    parts.status = sheetHeading(QStringLiteral("workingStatus"), parts.page);
    parts.progress = sheetProgressBar(QStringLiteral("workingProgress"), parts.page);
    // Busy, without an end that could be known.
    parts.progress->setRange(0, 0);
    parts.cancel =
        sheetButton(QStringLiteral("Cancel"), QStringLiteral("cancelConnect"), parts.page);
    QVBoxLayout* layout = sheetPageLayout(parts.page);
    layout->addStretch(1);
    layout->addWidget(parts.status);
    layout->addWidget(parts.progress);
    layout->addStretch(1);
    layout->addLayout(sheetButtonRow({}, {parts.cancel}));
    return parts;
}

DiscoveryStreamsPage buildStreamsPage(QWidget* parent) {
    DiscoveryStreamsPage parts;
    parts.page = new QWidget(parent);
    parts.page->setObjectName(QStringLiteral("streamsPage"));
    parts.heading = sheetHeading(QStringLiteral("streamsHeading"), parts.page);
    parts.explanation = sheetLabel(QStringLiteral("streamsExplanation"), parts.page);
    parts.streams = new QListWidget(parts.page);
    parts.streams->setObjectName(QStringLiteral("streams"));
    prepareList(parts.streams);
    parts.back = sheetButton(QStringLiteral("Back"), QStringLiteral("backToDevices"), parts.page);
    parts.add =
        sheetDefaultButton(QStringLiteral("Add Cameras"), QStringLiteral("addCameras"), parts.page);
    QVBoxLayout* layout = sheetPageLayout(parts.page);
    layout->addWidget(parts.heading);
    layout->addWidget(parts.explanation);
    layout->addWidget(parts.streams, 1);
    layout->addLayout(sheetButtonRow({}, {parts.back, parts.add}));
    return parts;
}

} // namespace rure
