#pragma once

#include "config/Camera.h"
#include "discovery/DeviceCredentials.h"
#include "discovery/DeviceStream.h"
#include "discovery/DiscoveredDevice.h"

#include <QList>
#include <QString>
#include <QUrl>

namespace rure {

// The name of the row made from one stream of a device: the device's name and
// the profile's, "Front Door — Main Stream".
QString discoveredCameraName(const DiscoveredDevice& device, const MediaProfile& profile);

// The stream's address with the credentials as its user information,
// percent-encoded, so that the editor's validation accepts it and reads back
// exactly what the user typed. Without credentials, the address as it is.
QString addressWithCredentials(const QUrl& stream, const DeviceCredentials& credentials);

// One camera per chosen stream of those the device offers, in order. The
// camera of the device's main stream also gets its small stream (see
// deviceStreamRoles), so that a device becomes one camera with both.
QList<Camera> discoveredCameras(const DiscoveredDevice& device, const QList<DeviceStream>& offered,
                                const QList<qsizetype>& chosen,
                                const DeviceCredentials& credentials);

} // namespace rure
