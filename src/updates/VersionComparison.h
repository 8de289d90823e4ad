#pragma once

#include <QList>
#include <QString>

#include <compare>

namespace rure {

// The numbers of a dot-separated version text. Empty pieces (consecutive,
// leading or trailing dots) add nothing. Each piece gives the number written
// by its leading run of numeric characters (Unicode's numeric categories Nd,
// Nl and No): 0 when there is no such run, and 0 when the run does not read as
// a signed 64-bit decimal integer, which is the case for any digit other than
// ASCII "0" to "9" and on overflow. "1.2.3" gives 1, 2, 3; "2.0beta" gives 2, 0;
// "1.x.3" gives 1, 0, 3; "١.٢" gives 0, 0.
QList<qint64> numericVersionParts(const QString& version);

// Orders two version texts by their numeric parts, a missing part counting as
// 0: "1.2", "1.2.0" and "1.2.0.0" are equal, and "1.10" is greater (newer) than
// "1.9". `less` means that `a` is older than `b`.
std::strong_ordering compareVersions(const QString& a, const QString& b);

} // namespace rure
