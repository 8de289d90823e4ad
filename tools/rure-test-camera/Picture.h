#pragma once

namespace rure::camera {

// What the primary path shows.
enum class Picture {
    pattern, // SMPTE colour bars
    black,
    white,
};

} // namespace rure::camera
