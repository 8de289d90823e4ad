#pragma once

#include "discovery/DiscoveredDevice.h"

#include <QList>
#include <QString>
#include <QTreeWidget>

#include <optional>

namespace rure {

// The list of devices in the camera search: one row per device with its name,
// model, address and whether it needs a login. It keeps the selected device
// selected (by its endpoint) when the list is filled again.
class DiscoveredDeviceList final : public QTreeWidget {
public:
    enum Column { nameColumn, modelColumn, addressColumn, loginColumn };

    explicit DiscoveredDeviceList(QWidget* parent = nullptr);

    void showDevices(const QList<DiscoveredDevice>& devices);
    // The row of the selected device in the last list shown.
    std::optional<qsizetype> selectedDevice() const;
    void selectDevice(qsizetype row);
};

// "Checking…", "No login", "Login required" or "Unknown".
QString loginText(DeviceLogin login);

} // namespace rure
