#include "VisibleName.h"

#include <QStringView>

namespace rure {

namespace {

bool drawsNothingOfItsOwn(char32_t codePoint) {
    switch (QChar::category(codePoint)) {
    case QChar::Other_Format:
    case QChar::Other_Control:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

} // namespace

QString visibleName(const QString& name) {
    QString shown;
    const qsizetype length = name.size();
    qsizetype copiedUpTo = 0;
    for (qsizetype at = 0; at < length;) {
        char32_t codePoint = name.at(at).unicode();
        qsizetype width = 1;
        if (name.at(at).isHighSurrogate() && at + 1 < length && name.at(at + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(name.at(at), name.at(at + 1));
            width = 2;
        }
        if (drawsNothingOfItsOwn(codePoint)) {
            if (shown.isEmpty()) {
                shown.reserve(length + 16);
            }
            shown += QStringView(name).sliced(copiedUpTo, at - copiedUpTo);
            shown += QStringLiteral("[U+%1]")
                         .arg(static_cast<uint>(codePoint), 4, 16, QLatin1Char('0'))
                         .toUpper();
            copiedUpTo = at + width;
        }
        at += width;
    }
    if (copiedUpTo == 0) {
        return name;
    }
    shown += QStringView(name).sliced(copiedUpTo);
    return shown;
}

} // namespace rure
