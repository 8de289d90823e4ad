#include "DiscoveredCameras.h"

#include "discovery/DeviceStreamRoles.h"

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

QList<Camera> discoveredCameras(const DiscoveredDevice& device, const QList<DeviceStream>& offered,
                                const QList<qsizetype>& chosen,
                                const DeviceCredentials& credentials) {
    const DeviceStreamRoles roles = deviceStreamRoles(offered);
    QList<Camera> cameras;
    cameras.reserve(chosen.size());
    for (const qsizetype row : chosen) {
        if (row < 0 || row >= offered.size()) {
            continue;
        }
        const DeviceStream& stream = offered.at(row);
        Camera camera{discoveredCameraName(device, stream.profile),
                      addressWithCredentials(stream.address, credentials)};
        if (row == roles.main && roles.small) {
            camera.subStreamUrl =
                addressWithCredentials(offered.at(*roles.small).address, credentials);
        }
        cameras.append(std::move(camera));
    }
    return cameras;
}

} // namespace rure
