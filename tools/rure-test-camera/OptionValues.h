#pragma once

#include <optional>
#include <string>

namespace rure::camera {

enum class VideoCodec { h264, h265 };
enum class AudioCodec { none, aac, pcmu, pcma };
enum class AuthMethod { basic, digest };

struct PictureSize {
    int width = 0;
    int height = 0;

    bool operator==(const PictureSize&) const = default;
    // Within 16x16 to 7680x4320.
    bool isSupported() const;
    // "640x360".
    std::string text() const;
};

// Moving (full frame rate) for one time, then still for the other, repeating.
struct SmartSchedule {
    double movingSeconds = 0;
    double stillSeconds = 0;
};

// Each gives nothing for a malformed or unsupported value.
std::optional<VideoCodec> parseVideoCodec(const std::string& text);       // "h264", "h265"
std::optional<AudioCodec> parseAudioCodec(const std::string& text);       // "none", "aac", ...
std::optional<AuthMethod> parseAuthMethod(const std::string& text);       // "basic", "digest"
std::optional<PictureSize> parsePictureSize(const std::string& text);     // "640x360"
std::optional<SmartSchedule> parseSmartSchedule(const std::string& text); // "20:10", both > 0
std::optional<double> parseNumber(const std::string& text);               // finite, e.g. "-2.5"

} // namespace rure::camera
