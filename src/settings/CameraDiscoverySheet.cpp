#include "CameraDiscoverySheet.h"

#include "DiscoveredCameras.h"
#include "DiscoveredDeviceList.h"
#include "common/VisibleName.h"
#include "discovery/DeviceStreamRoles.h"
#include "discovery/DeviceStreamsFetch.h"
#include "discovery/DiscoveryError.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace rure {

namespace {

const QString nothingAnswered = QStringLiteral(
    "No camera answered. A camera may have its ONVIF service switched off (see the camera\u2019s "
    "own settings page), may be on another network than this computer, or may be hidden by a "
    "firewall that blocks discovery (UDP port 3702). You can still add it with its RTSP "
    "address.");

QString streamText(const DeviceStream& stream) {
    const MediaProfile& profile = stream.profile;
    QStringList details;
    if (!profile.encoding.isEmpty()) {
        details << profile.encoding;
    }
    if (profile.width > 0 && profile.height > 0) {
        details << QStringLiteral("%1\u00d7%2").arg(profile.width).arg(profile.height);
    }
    const QString name = visibleName(profile.name);
    return details.isEmpty()
               ? name
               : QStringLiteral("%1 (%2)").arg(name, details.join(QStringLiteral(", ")));
}

QString streamsExplanation(const QList<DeviceStream>& streams, const DeviceStreamRoles& roles) {
    QString text = QStringLiteral("Tick the streams to add. Each becomes a camera in the list; "
                                  "nothing is stored until you save the list.");
    if (roles.small) {
        text += QStringLiteral(" The camera of \u201c%1\u201d gets \u201c%2\u201d as its small "
                               "stream, for when its picture is shown small.")
                    .arg(visibleName(streams.at(roles.main).profile.name),
                         visibleName(streams.at(*roles.small).profile.name));
    }
    return text;
}

} // namespace

CameraDiscoverySheet::CameraDiscoverySheet(DiscoverySetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)), pages_(new QStackedWidget(this)),
      search_(buildSearchPage(pages_)), login_(buildLoginPage(pages_)),
      working_(buildWorkingPage(pages_)), streams_(buildStreamsPage(pages_)) {
    setObjectName(QStringLiteral("findCameras"));
    setWindowTitle(QStringLiteral("Find Cameras"));
    // A sheet: it blocks the editor, not the viewer.
    setWindowModality(Qt::WindowModal);
    resize(620, 440);
    pages_->addWidget(search_.page);
    pages_->addWidget(login_.page);
    pages_->addWidget(working_.page);
    pages_->addWidget(streams_.page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 18);
    layout->addWidget(pages_);

    connect(search_.searchAgain, &QPushButton::clicked, this, &CameraDiscoverySheet::startSearch);
    connect(search_.cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(search_.next, &QPushButton::clicked, this,
            &CameraDiscoverySheet::continueWithSelectedDevice);
    connect(search_.devices, &QTreeWidget::itemActivated, this,
            [this] { continueWithSelectedDevice(); });
    connect(search_.devices, &QTreeWidget::itemSelectionChanged, this,
            &CameraDiscoverySheet::applyContinueRule);
    connect(login_.back, &QPushButton::clicked, this, &CameraDiscoverySheet::backToDevices);
    connect(login_.connect, &QPushButton::clicked, this,
            &CameraDiscoverySheet::connectWithCredentials);
    connect(login_.password, &QLineEdit::returnPressed, this,
            &CameraDiscoverySheet::connectWithCredentials);
    connect(working_.cancel, &QPushButton::clicked, this, &CameraDiscoverySheet::cancelConnecting);
    connect(streams_.back, &QPushButton::clicked, this, &CameraDiscoverySheet::backToDevices);
    connect(streams_.add, &QPushButton::clicked, this, &CameraDiscoverySheet::addChosenStreams);
    connect(streams_.streams, &QListWidget::itemChanged, this, &CameraDiscoverySheet::applyAddRule);

    progressTimer_.setInterval(100);
    connect(&progressTimer_, &QTimer::timeout, this, &CameraDiscoverySheet::showSearchProgress);
    showPage(Page::search);
}

CameraDiscoverySheet::~CameraDiscoverySheet() {
    dropFetch();
    if (session_) {
        session_->stop();
    }
}

void CameraDiscoverySheet::startSearch() {
    if (session_) {
        session_->stop();
        session_->deleteLater();
    }
    session_ = new DiscoverySession(setup_, this);
    session_->devicesChanged = [this] { devicesChanged(); };
    session_->finished = [this] { searchFinished(); };
    search_.devices->showDevices({});
    search_.message->hide();
    search_.searchAgain->setEnabled(false);
    const Result<void> started = session_->start();
    if (!started) {
        search_.progress->hide();
        search_.status->setText(started.error().description);
        search_.searchAgain->setEnabled(true);
        applyContinueRule();
        return;
    }
    search_.status->setText(QStringLiteral("Looking for cameras\u2026"));
    search_.progress->setRange(0, 1000);
    search_.progress->setValue(0);
    search_.progress->show();
    listening_.start();
    progressTimer_.start();
    applyContinueRule();
}

bool CameraDiscoverySheet::isSearching() const {
    return session_ && !session_->isFinished();
}

const QList<DiscoveredDevice>& CameraDiscoverySheet::devices() const {
    static const QList<DiscoveredDevice> none;
    return session_ ? session_->devices() : none;
}

void CameraDiscoverySheet::showSearchProgress() {
    if (!session_) {
        return;
    }
    if (session_->isListening()) {
        const auto total = std::max<qint64>(1, session_->listenTime().count());
        search_.progress->setValue(
            static_cast<int>(std::min<qint64>(1000, listening_.elapsed() * 1000 / total)));
        return;
    }
    // Listening is over; the devices found are still being asked for their details.
    search_.progress->setRange(0, 0);
    search_.status->setText(
        QStringLiteral("Asking the cameras that answered for their details\u2026"));
}

void CameraDiscoverySheet::devicesChanged() {
    search_.devices->showDevices(devices());
    applyContinueRule();
}

void CameraDiscoverySheet::searchFinished() {
    progressTimer_.stop();
    search_.progress->hide();
    search_.searchAgain->setEnabled(true);
    const qsizetype found = devices().size();
    if (found == 0) {
        search_.status->setText(QStringLiteral("No cameras found."));
        showSearchMessage(nothingAnswered);
    } else {
        search_.status->setText(found == 1 ? QStringLiteral("Found 1 camera. Choose it and press "
                                                            "Continue.")
                                           : QStringLiteral("Found %1 cameras. Choose one and "
                                                            "press Continue.")
                                                 .arg(found));
    }
    applyContinueRule();
}

void CameraDiscoverySheet::continueWithSelectedDevice() {
    const std::optional<qsizetype> row = search_.devices->selectedDevice();
    if (page_ != Page::search || !row || *row >= devices().size()) {
        return;
    }
    chosen_ = devices().at(*row);
    credentials_ = {};
    search_.message->hide();
    if (chosen_->login == DeviceLogin::needed) {
        showLogin(QString());
        return;
    }
    fetchStreams({});
}

void CameraDiscoverySheet::connectWithCredentials() {
    if (page_ != Page::login || !chosen_) {
        return;
    }
    fetchStreams({login_.userName->text(), login_.password->text()});
}

void CameraDiscoverySheet::fetchStreams(const DeviceCredentials& credentials) {
    dropFetch();
    credentials_ = credentials;
    pageBeforeWork_ = page_;
    working_.status->setText(
        QStringLiteral("Connecting to %1\u2026").arg(visibleName(chosen_->displayName())));
    showPage(Page::working);
    fetch_ = new DeviceStreamsFetch(
        *chosen_, credentials, setup_.exchangeTimeLimit,
        [this](const Result<QList<DeviceStream>>& streams) { streamsFetched(streams); }, this);
    fetch_->start();
}

void CameraDiscoverySheet::streamsFetched(const Result<QList<DeviceStream>>& streams) {
    dropFetch();
    if (streams) {
        showStreams(streams.value());
        return;
    }
    const Error& error = streams.error();
    if (discoveryErrorOf(error) == DiscoveryError::notAuthorized) {
        showLogin(credentials_.isEmpty() ? QStringLiteral("%1 needs a user name and password.")
                                               .arg(visibleName(chosen_->displayName()))
                                         : error.description);
        return;
    }
    if (pageBeforeWork_ == Page::login) {
        showLogin(error.description);
    } else {
        showSearchMessage(error.description);
        showPage(Page::search);
    }
}

void CameraDiscoverySheet::cancelConnecting() {
    dropFetch();
    showPage(pageBeforeWork_);
}

void CameraDiscoverySheet::showLogin(const QString& message) {
    login_.heading->setText(
        QStringLiteral("Sign in to %1").arg(visibleName(chosen_->displayName())));
    login_.message->setText(message);
    login_.message->setVisible(!message.isEmpty());
    showPage(Page::login);
    if (login_.userName->text().isEmpty()) {
        login_.userName->setFocus();
    } else {
        login_.password->setFocus();
        login_.password->selectAll();
    }
}

void CameraDiscoverySheet::showSearchMessage(const QString& message) {
    search_.message->setText(message);
    search_.message->setVisible(!message.isEmpty());
}

void CameraDiscoverySheet::showStreams(QList<DeviceStream> streams) {
    offeredStreams_ = std::move(streams);
    streams_.heading->setText(
        QStringLiteral("Streams of %1").arg(visibleName(chosen_->displayName())));
    const DeviceStreamRoles roles = deviceStreamRoles(offeredStreams_);
    streams_.explanation->setText(streamsExplanation(offeredStreams_, roles));
    streams_.streams->clear();
    for (qsizetype i = 0; i < offeredStreams_.size(); ++i) {
        auto* item = new QListWidgetItem(streamText(offeredStreams_.at(i)), streams_.streams);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        // The main stream, with the small one in it: one camera for the device.
        item->setCheckState(i == roles.main ? Qt::Checked : Qt::Unchecked);
    }
    showPage(Page::streams);
}

void CameraDiscoverySheet::addChosenStreams() {
    if (page_ != Page::streams || !chosen_) {
        return;
    }
    QList<qsizetype> chosen;
    for (int i = 0; i < streams_.streams->count() && i < offeredStreams_.size(); ++i) {
        if (streams_.streams->item(i)->checkState() == Qt::Checked) {
            chosen.append(i);
        }
    }
    if (chosen.isEmpty()) {
        return;
    }
    const QList<Camera> cameras =
        discoveredCameras(*chosen_, offeredStreams_, chosen, credentials_);
    credentials_ = {};
    emit camerasChosen(cameras);
    accept();
}

void CameraDiscoverySheet::backToDevices() {
    dropFetch();
    credentials_ = {};
    login_.password->clear();
    showPage(Page::search);
}

void CameraDiscoverySheet::showPage(Page page) {
    page_ = page;
    switch (page) {
    case Page::search:
        pages_->setCurrentWidget(search_.page);
        break;
    case Page::login:
        pages_->setCurrentWidget(login_.page);
        break;
    case Page::working:
        pages_->setCurrentWidget(working_.page);
        break;
    case Page::streams:
        pages_->setCurrentWidget(streams_.page);
        break;
    }
    // One default button in a dialog: the one that moves on from this page.
    search_.next->setDefault(page == Page::search);
    login_.connect->setDefault(page == Page::login);
    streams_.add->setDefault(page == Page::streams);
    applyContinueRule();
    applyAddRule();
}

void CameraDiscoverySheet::dropFetch() {
    if (fetch_) {
        fetch_->cancel();
        // Later: this may run inside the fetch's own completion.
        fetch_->deleteLater();
        fetch_ = nullptr;
    }
}

void CameraDiscoverySheet::applyContinueRule() {
    search_.next->setEnabled(search_.devices->selectedDevice().has_value());
}

void CameraDiscoverySheet::applyAddRule() {
    bool anyTicked = false;
    for (int i = 0; i < streams_.streams->count(); ++i) {
        anyTicked = anyTicked || streams_.streams->item(i)->checkState() == Qt::Checked;
    }
    streams_.add->setEnabled(anyTicked);
}

} // namespace rure
