#include "CameraRowPayload.h"

#include <limits>

namespace rure {

std::optional<std::int64_t> parseCameraRowPayload(const QString& payload) {
    qsizetype position = 0;
    bool negative = false;
    if (!payload.isEmpty() && (payload.front() == u'+' || payload.front() == u'-')) {
        negative = payload.front() == u'-';
        position = 1;
    }
    if (position == payload.size()) {
        return std::nullopt;
    }
    // Accumulated as a negative number so that the minimum of the range fits.
    std::int64_t value = 0;
    constexpr std::int64_t minimum = std::numeric_limits<std::int64_t>::min();
    for (; position < payload.size(); ++position) {
        const char16_t c = payload.at(position).unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const int digit = c - u'0';
        if (value < (minimum + digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 - digit;
    }
    if (negative) {
        return value;
    }
    if (value == minimum) {
        return std::nullopt;
    }
    return -value;
}

QString cameraRowPayload(qsizetype row) {
    return QString::number(row);
}

} // namespace rure
