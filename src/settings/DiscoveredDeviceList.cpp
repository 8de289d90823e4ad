#include "DiscoveredDeviceList.h"

#include "common/VisibleName.h"

#include <QHeaderView>

namespace rure {

namespace {

constexpr int endpointRole = Qt::UserRole + 1;

QString addressText(const DiscoveredDevice& device) {
    const QString host = device.serviceAddress.host();
    const int port = device.serviceAddress.port(80);
    if (host.contains(QLatin1Char(':'))) {
        return QStringLiteral("[%1]:%2").arg(host).arg(port);
    }
    return port == 80 ? host : QStringLiteral("%1:%2").arg(host).arg(port);
}

} // namespace

QString loginText(DeviceLogin login) {
    switch (login) {
    case DeviceLogin::checking:
        return QStringLiteral("Checking\u2026");
    case DeviceLogin::notNeeded:
        return QStringLiteral("No login");
    case DeviceLogin::needed:
        return QStringLiteral("Login required");
    case DeviceLogin::unknown:
        return QStringLiteral("Unknown");
    }
    Q_UNREACHABLE();
}

DiscoveredDeviceList::DiscoveredDeviceList(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("discoveredDevices"));
    setColumnCount(4);
    setHeaderLabels({QStringLiteral("Camera"), QStringLiteral("Model"), QStringLiteral("Address"),
                     QStringLiteral("Login")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(nameColumn, QHeaderView::Stretch);
    header()->setSectionResizeMode(modelColumn, QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(addressColumn, QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(loginColumn, QHeaderView::ResizeToContents);
}

void DiscoveredDeviceList::showDevices(const QList<DiscoveredDevice>& devices) {
    const QTreeWidgetItem* current = currentItem();
    const QString selected = current ? current->data(0, endpointRole).toString() : QString();
    clear();
    for (const DiscoveredDevice& device : devices) {
        auto* item =
            new QTreeWidgetItem(this, {visibleName(device.displayName()), visibleName(device.model),
                                       addressText(device), loginText(device.login)});
        item->setData(0, endpointRole, device.endpoint);
        if (!selected.isEmpty() && device.endpoint == selected) {
            setCurrentItem(item);
        }
    }
    if (!currentItem() && topLevelItemCount() > 0) {
        setCurrentItem(topLevelItem(0));
    }
}

std::optional<qsizetype> DiscoveredDeviceList::selectedDevice() const {
    QTreeWidgetItem* item = currentItem();
    if (!item || !item->isSelected()) {
        return std::nullopt;
    }
    return indexOfTopLevelItem(item);
}

void DiscoveredDeviceList::selectDevice(qsizetype row) {
    if (QTreeWidgetItem* item = topLevelItem(static_cast<int>(row))) {
        setCurrentItem(item);
    }
}

} // namespace rure
