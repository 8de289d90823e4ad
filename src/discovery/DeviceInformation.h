#pragma once

#include "SoapResponse.h"
#include "common/Result.h"

#include <QString>

namespace rure {

// What GetDeviceInformation says of a device.
struct DeviceInformation {
    QString manufacturer;
    QString model;
    QString firmwareVersion;

    friend bool operator==(const DeviceInformation&, const DeviceInformation&) = default;
};

Result<DeviceInformation> readDeviceInformation(const SoapReply& reply);

} // namespace rure
