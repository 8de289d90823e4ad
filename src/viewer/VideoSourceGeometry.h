#pragma once

#include <QSizeF>

#include <cstdint>

namespace rure {

// The decoded picture as the engine reports it.
struct VideoSourceGeometry {
    int64_t width = 0;    // at least 1
    int64_t height = 0;   // at least 1
    int64_t rotation = 0; // degrees, 0 ... 359

    // The size on screen: width and height swap for quarter turns.
    QSizeF displayedSize() const {
        if (rotation == 90 || rotation == 270) {
            return {static_cast<double>(height), static_cast<double>(width)};
        }
        return {static_cast<double>(width), static_cast<double>(height)};
    }

    friend bool operator==(const VideoSourceGeometry&, const VideoSourceGeometry&) = default;
};

} // namespace rure
