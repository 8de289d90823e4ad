#include "CameraSearchFixture.h"

#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPointer>
#include <QProcess>

namespace rure::test {

CameraSearchTest::~CameraSearchTest() {
    editor.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TestOnvifDevice& CameraSearchTest::startDevice(TestOnvifDevice::Options options) {
    const int number = static_cast<int>(devices.size()) + 1;
    if (options.stream.isEmpty()) {
        options.stream = streamOf(number);
    }
    TestOnvifDevice& device = devices.emplace_back();
    EXPECT_TRUE(device.start(options))
        << "device " << number << ": " << device.errorOutput().toStdString();
    return device;
}

CameraSettingsController& CameraSearchTest::openEditor(QList<Camera> cameras) {
    editor = std::make_unique<CameraSettingsController>(
        std::move(cameras), false,
        [this](const QList<Camera>& list) {
            saved.push_back(list);
            return Result<void>();
        },
        [] {}, store);
    editor->setAlertPresenter([this](const CameraAlert& alert) { alerts.push_back(alert); });
    editor->setDiscoverySetup(setup);
    editor->showAndActivate();
    return *editor;
}

CameraDiscoverySheet& CameraSearchTest::findCameras() {
    if (!editor) {
        openEditor();
    }
    editor->findCameras();
    CameraDiscoverySheet* opened = editor->discoverySheet();
    EXPECT_NE(opened, nullptr);
    EXPECT_TRUE(waitFor([opened] { return !opened->isSearching(); }))
        << "the search never finished";
    return *opened;
}

CameraDiscoverySheet& CameraSearchTest::sheet() {
    return *editor->discoverySheet();
}

bool CameraSearchTest::sheetIsOpen() const {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return editor && editor->discoverySheet() && editor->discoverySheet()->isVisible();
}

int CameraSearchTest::listedRow(const QString& name) {
    DiscoveredDeviceList& list = *sheet().searchPage().devices;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        if (list.topLevelItem(row)->text(DiscoveredDeviceList::nameColumn) == name) {
            return row;
        }
    }
    return -1;
}

QString CameraSearchTest::listedText(int row, DiscoveredDeviceList::Column column) {
    const QTreeWidgetItem* item = sheet().searchPage().devices->topLevelItem(row);
    return item ? item->text(column) : QStringLiteral("(no row %1)").arg(row);
}

void CameraSearchTest::choose(int row) {
    ASSERT_GE(row, 0) << "the device is not listed";
    sheet().searchPage().devices->selectDevice(row);
    sheet().continueWithSelectedDevice();
    ASSERT_TRUE(waitFor([this] { return sheet().page() != CameraDiscoverySheet::Page::working; }))
        << "the sheet never had an answer";
}

void CameraSearchTest::signIn(const QString& user, const QString& password) {
    ASSERT_EQ(sheet().page(), CameraDiscoverySheet::Page::login);
    sheet().loginPage().userName->setText(user);
    sheet().loginPage().password->setText(password);
    sheet().connectWithCredentials();
    ASSERT_TRUE(waitFor([this] { return sheet().page() != CameraDiscoverySheet::Page::working; }))
        << "the sheet never had an answer";
}

bool CameraSearchTest::waitFor(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

namespace {

bool runIp(const QStringList& arguments) {
    QProcess ip;
    ip.setProcessChannelMode(QProcess::MergedChannels);
    ip.start(QStringLiteral("ip"), arguments);
    if (!ip.waitForFinished(10000) || ip.exitStatus() != QProcess::NormalExit ||
        ip.exitCode() != 0) {
        ADD_FAILURE() << "ip " << arguments.join(' ').toStdString() << ": "
                      << ip.readAll().toStdString() << ip.errorString().toStdString();
        return false;
    }
    return true;
}

std::optional<QHostAddress> linkLocalAddressOf(const QString& name) {
    for (const QNetworkAddressEntry& entry :
         QNetworkInterface::interfaceFromName(name).addressEntries()) {
        if (entry.ip().protocol() == QAbstractSocket::IPv6Protocol && entry.ip().isLinkLocal()) {
            QHostAddress address = entry.ip();
            address.setScopeId(name);
            return address;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QHostAddress> CameraSearchTest::addLinkLocalPair() {
    const QString a = QStringLiteral("rure-a");
    const QString b = QStringLiteral("rure-b");
    if (!QNetworkInterface::interfaceFromName(a).isValid() &&
        !runIp({"link", "add", a, "type", "veth", "peer", "name", b})) {
        return std::nullopt;
    }
    // No duplicate address detection: the addresses are usable at once.
    for (const QString& name : {a, b}) {
        QFile dad(QStringLiteral("/proc/sys/net/ipv6/conf/%1/accept_dad").arg(name));
        if (!dad.open(QIODevice::WriteOnly) || dad.write("0\n") != 2) {
            ADD_FAILURE() << "cannot switch off address checks on " << name.toStdString();
            return std::nullopt;
        }
    }
    if (!runIp({"link", "set", a, "up"}) || !runIp({"link", "set", b, "up"})) {
        return std::nullopt;
    }
    std::optional<QHostAddress> address;
    waitFor(
        [&] {
            address = linkLocalAddressOf(b);
            return address.has_value() && linkLocalAddressOf(a).has_value();
        },
        10000);
    if (!address) {
        ADD_FAILURE() << "rure-b has no link-local address";
    }
    return address;
}

} // namespace rure::test
