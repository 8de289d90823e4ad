#include "OptionValues.h"

#include <charconv>
#include <cmath>

namespace rure::camera {

namespace {

std::optional<int> parseInteger(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

bool PictureSize::isSupported() const {
    return width >= 16 && height >= 16 && width <= 7680 && height <= 4320;
}

std::string PictureSize::text() const {
    return std::to_string(width) + "x" + std::to_string(height);
}

std::optional<VideoCodec> parseVideoCodec(const std::string& text) {
    if (text == "h264") {
        return VideoCodec::h264;
    }
    if (text == "h265") {
        return VideoCodec::h265;
    }
    return std::nullopt;
}

std::optional<AudioCodec> parseAudioCodec(const std::string& text) {
    if (text == "none") {
        return AudioCodec::none;
    }
    if (text == "aac") {
        return AudioCodec::aac;
    }
    if (text == "pcmu") {
        return AudioCodec::pcmu;
    }
    if (text == "pcma") {
        return AudioCodec::pcma;
    }
    return std::nullopt;
}

std::optional<AuthMethod> parseAuthMethod(const std::string& text) {
    if (text == "basic") {
        return AuthMethod::basic;
    }
    if (text == "digest") {
        return AuthMethod::digest;
    }
    return std::nullopt;
}

std::optional<PictureSize> parsePictureSize(const std::string& text) {
    const auto cross = text.find('x');
    if (cross == std::string::npos) {
        return std::nullopt;
    }
    const auto width = parseInteger(text.substr(0, cross));
    const auto height = parseInteger(text.substr(cross + 1));
    if (!width || !height) {
        return std::nullopt;
    }
    const PictureSize size{*width, *height};
    return size.isSupported() ? std::optional(size) : std::nullopt;
}

std::optional<SmartSchedule> parseSmartSchedule(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    const auto moving = parseNumber(text.substr(0, colon));
    const auto still = parseNumber(text.substr(colon + 1));
    if (!moving || !still || *moving <= 0 || *still <= 0) {
        return std::nullopt;
    }
    return SmartSchedule{*moving, *still};
}

std::optional<double> parseNumber(const std::string& text) {
    double value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    // from_chars takes no leading '+'.
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-') {
            return std::nullopt;
        }
    }
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (begin == end || error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace rure::camera
