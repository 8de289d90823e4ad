#pragma once

#include <QString>
#include <QUrl>

namespace rure {

enum class DeviceLogin {
    checking,  // its device information has been asked for
    notNeeded, // it answered without a login
    needed,    // it asked for one
    unknown,   // it did not answer usefully; a login is asked for if it wants one
};

// A device that answered a probe, at an address on the network that heard it.
struct DiscoveredDevice {
    QString endpoint;    // "urn:uuid:…", unique per device
    QUrl serviceAddress; // its device service, on a local network
    QString interfaceName;
    QString name; // the name it gives itself, if any
    QString manufacturer;
    QString model;
    DeviceLogin login = DeviceLogin::checking;

    QString host() const { return serviceAddress.host(); }
    // The name, else the manufacturer and model, else the host.
    QString displayName() const;
};

} // namespace rure
