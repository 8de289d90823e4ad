#include "CameraSettingsWindow.h"

#include "CameraTableView.h"
#include "common/RurePalette.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace rure {

namespace {
constexpr QSize usualSize{900, 620};
constexpr QSize usualMinimumSize{760, 480};
// The frame the window manager adds is not known before the window shows:
// room for a title bar and a border.
constexpr QSize frameAllowance{16, 48};
const QString makerSite = QStringLiteral("https://didirezoror.com");

QPushButton* button(const QString& title, const QString& name, QWidget* parent) {
    auto* result = new QPushButton(title, parent);
    result->setObjectName(name);
    result->setAutoDefault(false);
    return result;
}
} // namespace

CameraSettingsWindow::CameraSettingsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMaximizeButtonHint) {
    setWindowTitle(QStringLiteral("Cameras"));
    resize(usualSize);
    setMinimumSize(usualMinimumSize);

    auto* title = new QLabel(QStringLiteral("Cameras"), this);
    QFont titleFont = title->font();
    titleFont.setPointSize(22);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);

    auto* description = description_ = new QLabel(
        QStringLiteral(
            "Customize camera names and full RTSP addresses. Drag rows to change their "
            "order, or use the sorting shortcuts. Changes are stored only on this computer."),
        this);
    description->setWordWrap(true);

    add_ = button(QStringLiteral("Add Camera"), QStringLiteral("add"), this);
    findCameras_ =
        button(QStringLiteral("Find Cameras\u2026"), QStringLiteral("findCameras"), this);
    findCameras_->setToolTip(QStringLiteral("Search the local network for ONVIF cameras"));
    remove_ = button(QStringLiteral("Remove"), QStringLiteral("remove"), this);
    sortAscending_ = button(QStringLiteral("A\u2013Z"), QStringLiteral("sortAscending"), this);
    sortAscending_->setToolTip(QStringLiteral("Sort camera names from A to Z"));
    sortDescending_ = button(QStringLiteral("Z\u2013A"), QStringLiteral("sortDescending"), this);
    sortDescending_->setToolTip(QStringLiteral("Sort camera names from Z to A"));
    import_ = button(QStringLiteral("Import\u2026"), QStringLiteral("import"), this);
    export_ = button(QStringLiteral("Export\u2026"), QStringLiteral("export"), this);
    cancel_ = button(QStringLiteral("Cancel"), QStringLiteral("cancel"), this);
    save_ = button(QStringLiteral("Save"), QStringLiteral("save"), this);
    save_->setDefault(true);
    save_->setStyleSheet(RurePalette::accentButtonStyle());

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(8);
    buttonRow->addWidget(add_);
    buttonRow->addWidget(findCameras_);
    buttonRow->addWidget(remove_);
    buttonRow->addStretch(1);
    buttonRow->addWidget(sortAscending_);
    buttonRow->addWidget(sortDescending_);
    buttonRow->addWidget(import_);
    buttonRow->addWidget(export_);

    table_ = new CameraTableView(this);
    table_->setObjectName(QStringLiteral("cameraTable"));
    // Tab leaves the table for the controls below it; the arrow keys move
    // between cells.
    table_->setTabKeyNavigation(false);

    // Most cameras offer a smaller stream besides their main one; its column
    // stays out of the way of those who never give one.
    subStreams_ = new QCheckBox(QStringLiteral("Show Small Streams"), this);
    subStreams_->setObjectName(QStringLiteral("showSmallStreams"));
    subStreams_->setToolTip(
        QStringLiteral("Show each camera\u2019s small stream: a lower-resolution stream of the "
                       "same camera, for when its picture is shown small"));
    connect(subStreams_, &QCheckBox::toggled, table_, &CameraTableView::setSubStreamColumnShown);

    auto* footer = footer_ = new QLabel(this);
    footer->setObjectName(QStringLiteral("footer"));
    footer->setTextFormat(Qt::RichText);
    footer->setTextInteractionFlags(Qt::TextBrowserInteraction);
    footer->setOpenExternalLinks(true);
    footer->setAlignment(Qt::AlignCenter);
    footer->setFixedHeight(18);
    footer->setAccessibleName(QString());

    auto* closeButtons = new QHBoxLayout;
    closeButtons->setSpacing(10);
    closeButtons->addWidget(cancel_);
    closeButtons->addWidget(save_);

    // The footer is centred in the whole width, independent of the controls
    // beside it; the small streams' switch sits below the table at the left.
    auto* bottomRow = new QGridLayout;
    bottomRow->addWidget(subStreams_, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    bottomRow->addWidget(footer, 0, 0, Qt::AlignHCenter | Qt::AlignVCenter);
    bottomRow->addLayout(closeButtons, 0, 0, Qt::AlignRight | Qt::AlignVCenter);

    auto* content = new QVBoxLayout(this);
    content->setContentsMargins(30, 26, 30, 22);
    content->setSpacing(0);
    content->addWidget(title);
    content->addSpacing(7);
    content->addWidget(description);
    content->addSpacing(16);
    content->addLayout(buttonRow);
    content->addSpacing(10);
    content->addWidget(table_, 1);
    content->addSpacing(18);
    content->addLayout(bottomRow);

    applyReadableColours();

    // Tab follows the page from top to bottom: the list's buttons, the
    // table and its switch, then Cancel, Save and the link.
    QWidget* previous = nullptr;
    for (QWidget* next : std::initializer_list<QWidget*>{
             add_, findCameras_, remove_, sortAscending_, sortDescending_, import_, export_, table_,
             subStreams_, cancel_, save_, footer}) {
        if (previous != nullptr) {
            setTabOrder(previous, next);
        }
        previous = next;
    }
}

void CameraSettingsWindow::setStaysOnTop(bool staysOnTop) {
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == staysOnTop) {
        return;
    }
    flags.setFlag(Qt::WindowStaysOnTopHint, staysOnTop);
    QWindow* handle = windowHandle();
    if (!handle) {
        // No native window yet: it will be created with these flags.
        setWindowFlags(flags);
        return;
    }
    // As the viewer window does: setWindowFlags would destroy and re-create the
    // native window (hiding it); the native window's own flag changes in place.
    handle->setFlag(Qt::WindowStaysOnTopHint, staysOnTop);
    overrideWindowFlags(flags);
}

void CameraSettingsWindow::placeWithin(const QRect& available) {
    const QSize room = available.size() - frameAllowance;
    setMinimumSize(usualMinimumSize.boundedTo(room));
    resize(usualSize.boundedTo(room));
    QRect frame(QPoint(0, 0), size() + frameAllowance);
    frame.moveCenter(available.center());
    move(frame.topLeft());
}

void CameraSettingsWindow::applyReadableColours() {
    const QColor background = palette().color(QPalette::Window);
    QPalette faded = description_->palette();
    faded.setColor(QPalette::WindowText,
                   RurePalette::readableFaded(palette().color(QPalette::WindowText), background));
    description_->setPalette(faded);
    footer_->setText(QStringLiteral("<span style=\"font-size:12pt\"> </span><a href=\"%1\" "
                                    "style=\"color:%2; text-decoration:none; font-size:12pt; "
                                    "font-weight:500\">Razuzivi</a>")
                         .arg(makerSite, RurePalette::readableAccent(background).name()));
}

void CameraSettingsWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && description_ != nullptr) {
        applyReadableColours();
    }
}

void CameraSettingsWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closeObserver_) {
        notifyingClose_ = true;
        closeObserver_();
        notifyingClose_ = false;
    }
}

} // namespace rure
