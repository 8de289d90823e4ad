#pragma once

namespace rure::camera {

// What the primary path shows.
enum class Picture {
    pattern, // SMPTE colour bars
    black,
    white,
};

// The videotestsrc pattern that shows the picture.
inline const char* patternName(Picture picture) {
    switch (picture) {
    case Picture::black:
        return "black";
    case Picture::white:
        return "white";
    case Picture::pattern:
        break;
    }
    return "smpte";
}

} // namespace rure::camera
