#include "DecimalInt64.h"

#include <limits>

namespace rure {

std::optional<qint64> parseDecimalInt64(QStringView text) {
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty()) {
        return std::nullopt;
    }
    // Accumulated as a negative number, whose range reaches the minimum too.
    constexpr qint64 minimum = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (const QChar character : text) {
        const char16_t unit = character.unicode();
        if (unit < u'0' || unit > u'9') {
            return std::nullopt;
        }
        const int digit = unit - u'0';
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

} // namespace rure
