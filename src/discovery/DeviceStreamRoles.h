#pragma once

#include "DeviceStream.h"

#include <QList>

#include <optional>

namespace rure {

// Which of a device's streams one camera plays: the sharpest as its main
// stream, and the smallest as its small stream, for when its picture is small.
struct DeviceStreamRoles {
    qsizetype main = 0;
    // None for a device with one stream, or with streams of one size only.
    std::optional<qsizetype> small;

    friend bool operator==(const DeviceStreamRoles&, const DeviceStreamRoles&) = default;
};

// The roles among `streams`, by their pictures' sizes in pixels; among
// streams of one size the device's earlier one is the main stream and its
// later one the small stream. Where a size is not known, by the device's
// order alone: its first stream is the main one, its last the small one. A
// stream at the main stream's address is never its small stream.
DeviceStreamRoles deviceStreamRoles(const QList<DeviceStream>& streams);

} // namespace rure
