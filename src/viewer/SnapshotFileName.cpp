#include "SnapshotFileName.h"

#include <QStandardPaths>

namespace rure {

namespace {

// Characters that one file system or another refuses in a name.
bool isReservedCharacter(char32_t character) {
    switch (character) {
    case U'/':
    case U'\\':
    case U'<':
    case U'>':
    case U':':
    case U'"':
    case U'|':
    case U'?':
    case U'*':
        return true;
    default:
        return character < 0x20 || character == 0x7f || (character >= 0x80 && character < 0xa0);
    }
}

// Drops dots and spaces at both ends: a leading dot hides a file, and some
// file systems drop trailing ones silently.
QString trimmedOfDotsAndSpaces(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && (text[start] == u'.' || text[start] == u' ')) {
        ++start;
    }
    while (end > start && (text[end - 1] == u'.' || text[end - 1] == u' ')) {
        --end;
    }
    return text.mid(start, end - start);
}

} // namespace

QString fileNameSafeCameraName(const QString& cameraName) {
    QString safe;
    safe.reserve(cameraName.size());
    qsizetype bytes = 0;
    bool lastWasSpace = false;
    for (const char32_t character : cameraName.toUcs4()) {
        QString piece;
        if (isReservedCharacter(character)) {
            piece = QStringLiteral("-");
        } else if (QChar::isSpace(character)) {
            if (lastWasSpace) {
                continue;
            }
            piece = QStringLiteral(" ");
        } else if (QChar::category(character) == QChar::Other_Format ||
                   QChar::category(character) == QChar::Other_Surrogate ||
                   QChar::category(character) == QChar::Other_NotAssigned) {
            continue;
        } else {
            piece = QString::fromUcs4(&character, 1);
        }
        const qsizetype pieceBytes = piece.toUtf8().size();
        if (bytes + pieceBytes > maximumCameraPartBytes) {
            break;
        }
        safe += piece;
        bytes += pieceBytes;
        lastWasSpace = piece == u' ';
    }
    safe = trimmedOfDotsAndSpaces(safe);
    return safe.isEmpty() ? QStringLiteral("Camera") : safe;
}

QString snapshotFileStem(const QString& cameraName, const QDateTime& takenAt) {
    return fileNameSafeCameraName(cameraName) + u' ' +
           takenAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
}

QString snapshotFileName(const QString& stem, int attempt) {
    if (attempt <= 0) {
        return stem + QStringLiteral(".png");
    }
    return QStringLiteral("%1 %2.png").arg(stem).arg(attempt + 1);
}

QString defaultSnapshotFolder() {
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty()) {
        pictures = QStandardPaths::writableLocation(QStandardPaths::HomeLocation) +
                   QStringLiteral("/Pictures");
    }
    return pictures + QStringLiteral("/Rure");
}

} // namespace rure
