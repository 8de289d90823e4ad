#pragma once

#include <cstdint>

namespace rure {

// Brings an engine rotation in degrees into 0...359. The engine may report
// negative or full-turn values; C++'s remainder keeps the dividend's sign, so a
// negative remainder is moved up by one turn.
constexpr int64_t normalizedRotation(int64_t degrees) {
    const int64_t remainder = degrees % 360;
    return remainder < 0 ? remainder + 360 : remainder;
}

} // namespace rure
