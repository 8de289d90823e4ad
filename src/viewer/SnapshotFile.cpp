#include "SnapshotFile.h"

#include "config/AtomicFileWriter.h"
#include "config/FileSystem.h"
#include "viewer/SnapshotFileName.h"

#include <QBuffer>
#include <QImageWriter>

namespace rure {

Result<QString> saveSnapshotPicture(const QImage& picture, const QString& folder,
                                    const QString& stem) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (picture.isNull() || !writer.write(picture)) {
        return Error{ErrorDomain::other, 0,
                     QStringLiteral("The picture could not be made into a PNG file: %1")
                         .arg(writer.errorString())};
    }
    if (const Result<void> made = createDirectoryPath(folder); !made.ok()) {
        return made.error();
    }
    return writeNewFileAtomically(
        png, folder, [&stem](int attempt) { return snapshotFileName(stem, attempt); },
        maximumSnapshotsPerStem);
}

} // namespace rure
