#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace rure::fuzz {

// An owned, NUL-terminated copy, like every byte array the viewer parses (a
// file read, a network reply, a drag's data).
inline QByteArray bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A broken invariant ends the run like a crash, so that libFuzzer keeps and
// reports the input.
inline void require(bool condition, const char* invariant) {
    if (!condition) {
        std::fprintf(stderr, "Broken invariant: %s\n", invariant);
        std::abort();
    }
}

} // namespace rure::fuzz
