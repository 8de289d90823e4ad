#include "VideoCropEmulation.h"

#include <QRegularExpression>

namespace rure {

std::optional<QString> videoCropFilter(const QString& text, int64_t width, int64_t height) {
    if (text.isEmpty()) {
        return QString();
    }
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{1,9})x([0-9]{1,9})\\+([0-9]{1,9})\\+([0-9]{1,9})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const int64_t cropWidth = match.captured(1).toLongLong();
    const int64_t cropHeight = match.captured(2).toLongLong();
    const int64_t x = match.captured(3).toLongLong();
    const int64_t y = match.captured(4).toLongLong();
    if (width < 1 || height < 1 || cropWidth < 1 || cropHeight < 1 || x + cropWidth > width ||
        y + cropHeight > height) {
        return std::nullopt;
    }
    // "exact" keeps odd offsets where the chroma planes would round them.
    return QStringLiteral("lavfi-crop=w=%1:h=%2:x=%3:y=%4:exact=1")
        .arg(cropWidth)
        .arg(cropHeight)
        .arg(x)
        .arg(y);
}

} // namespace rure
