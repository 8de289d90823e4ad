#include "DiscoveredCameras.h"

namespace rure {

QString discoveredCameraName(const DiscoveredDevice& device, const MediaProfile& profile) {
    const QString deviceName = device.displayName();
    if (profile.name.isEmpty()) {
        return deviceName;
    }
    return deviceName + QStringLiteral(" \u2014 ") + profile.name;
}

QString addressWithCredentials(const QUrl& stream, const DeviceCredentials& credentials) {
    QUrl address = stream;
    if (!credentials.isEmpty()) {
        // Decoded mode: every character is taken as typed and encoded as needed.
        address.setUserName(credentials.userName, QUrl::DecodedMode);
        if (!credentials.password.isEmpty()) {
            address.setPassword(credentials.password, QUrl::DecodedMode);
        }
    }
    return address.toString(QUrl::FullyEncoded);
}

QList<Camera> discoveredCameras(const DiscoveredDevice& device, const QList<DeviceStream>& chosen,
                                const DeviceCredentials& credentials) {
    QList<Camera> cameras;
    cameras.reserve(chosen.size());
    for (const DeviceStream& stream : chosen) {
        cameras.append(Camera{discoveredCameraName(device, stream.profile),
                              addressWithCredentials(stream.address, credentials)});
    }
    return cameras;
}

} // namespace rure
