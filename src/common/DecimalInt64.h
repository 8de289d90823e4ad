#pragma once

#include <QStringView>

#include <optional>

namespace rure {

// Reads `text` as a base-10 signed 64-bit integer: an optional leading "+" or
// "-", then one or more ASCII digits (leading zeros allowed) and nothing else:
// no white space, no other Unicode digits. Fails on anything else and on
// overflow.
std::optional<qint64> parseDecimalInt64(QStringView text);

} // namespace rure
