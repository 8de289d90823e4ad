#include "UserTrash.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace rure {

QString userDataHome() {
    // Qt's own Trash support (QFile::moveToTrash) takes the data folder from
    // here; both must agree on where the Trash is.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

UserTrash UserTrash::ofCurrentUser() {
    return UserTrash(userDataHome() + QStringLiteral("/Trash"));
}

QString UserTrash::filesPath() const {
    return location_ + QStringLiteral("/files");
}

QString UserTrash::infoPath() const {
    return location_ + QStringLiteral("/info");
}

QString UserTrash::infoPathFor(const QString& fileName) const {
    return infoPath() + QLatin1Char('/') + fileName + QStringLiteral(".trashinfo");
}

bool UserTrash::prepare() const {
    if (!QDir::isAbsolutePath(location_)) {
        return false;
    }
    QDir root;
    return root.mkpath(filesPath()) && root.mkpath(infoPath()) && QFileInfo(filesPath()).isDir() &&
           QFileInfo(infoPath()).isDir();
}

} // namespace rure
