#pragma once

#include "MediaProfiles.h"

#include <QUrl>

namespace rure {

// One profile of a device with its RTSP address (without user information).
struct DeviceStream {
    MediaProfile profile;
    QUrl address;

    friend bool operator==(const DeviceStream&, const DeviceStream&) = default;
};

} // namespace rure
