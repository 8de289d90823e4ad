#include "VersionComparison.h"

#include "common/DecimalInt64.h"

namespace rure {

namespace {

// The length, in UTF-16 units, of the leading run of numeric characters.
qsizetype numericPrefixLength(QStringView piece) {
    qsizetype index = 0;
    while (index < piece.size()) {
        char32_t codePoint = piece.at(index).unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(codePoint) && index + 1 < piece.size() &&
            piece.at(index + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(piece.at(index), piece.at(index + 1));
            width = 2;
        }
        if (!QChar::isNumber(codePoint)) {
            break;
        }
        index += width;
    }
    return index;
}

} // namespace

QList<qint64> numericVersionParts(const QString& version) {
    QList<qint64> parts;
    for (const QStringView piece : QStringView(version).split(u'.', Qt::SkipEmptyParts)) {
        const QStringView prefix = piece.left(numericPrefixLength(piece));
        parts.append(prefix.isEmpty() ? 0 : parseDecimalInt64(prefix).value_or(0));
    }
    return parts;
}

std::strong_ordering compareVersions(const QString& a, const QString& b) {
    const QList<qint64> left = numericVersionParts(a);
    const QList<qint64> right = numericVersionParts(b);
    const qsizetype count = std::max(left.size(), right.size());
    for (qsizetype i = 0; i < count; ++i) {
        const qint64 x = i < left.size() ? left.at(i) : 0;
        const qint64 y = i < right.size() ? right.at(i) : 0;
        if (x != y) {
            return x <=> y;
        }
    }
    return std::strong_ordering::equal;
}

} // namespace rure
