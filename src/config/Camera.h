#pragma once

#include <QString>

namespace rure {

// One camera of the list. Values are kept exactly as entered; nothing validates them.
struct Camera {
    QString name;
    QString url;
    // The camera's small stream (its sub-stream), played while the window is
    // small; empty when none is known. As secret as `url`.
    QString subStreamUrl{};

    // Exact and case-sensitive, but canonically equivalent texts are equal: a name
    // typed with a precomposed "é" matches the same name read back in decomposed form.
    friend bool operator==(const Camera& a, const Camera& b);
};

} // namespace rure
