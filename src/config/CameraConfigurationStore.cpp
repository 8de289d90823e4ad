#include "CameraConfigurationStore.h"

#include "AtomicFileWriter.h"
#include "CameraConfiguration.h"
#include "CameraConfigurationError.h"
#include "FileSystem.h"
#include "common/RureLog.h"

#include <QStandardPaths>

#include <cerrno>
#include <utility>

namespace rure {

namespace {

QString pathIn(const QString& directory, const char* fileName) {
    return directory + QLatin1Char('/') + QLatin1String(fileName);
}

// The bytes of one of the store's own files. Only a regular file of this
// user's counts: a link (to another user's list, say) or a file someone else
// owns is damage, never followed, trusted or copied to the last-good copy.
Result<QByteArray> readStoredDocument(const QString& path) {
    return readWholeFile(path, CameraConfigurationStore::maximumDocumentSize,
                         ReadableFile::ownRegularFile);
}

// Reads and decodes one of the store's camera list files.
Result<QList<Camera>> readCameraList(const QString& path) {
    Result<QByteArray> bytes = readStoredDocument(path);
    if (!bytes) {
        return bytes.error();
    }
    return decodeCameraList(bytes.value());
}

// A list copied in by hand keeps the mode it was copied with, perhaps readable by
// everyone, passwords included; it gets the modes that the store gives what it
// writes. Best effort: the list loads either way.
void restrictStoredFilesToOwner(const QString& directory, const QString& cameraListPath,
                                const QString& lastGoodPath) {
    (void)restrictOwnedEntry(directory, ownerOnlyDirectoryMode);
    (void)restrictOwnedEntry(cameraListPath, ownerOnlyFileMode);
    (void)restrictOwnedEntry(lastGoodPath, ownerOnlyFileMode);
}

} // namespace

CameraConfigurationStore::CameraConfigurationStore(
    std::optional<QString> appSupportDirectoryOverride)
    : appSupportDirectoryOverride_(std::move(appSupportDirectoryOverride)) {}

CameraConfigurationStore& CameraConfigurationStore::shared() {
    static CameraConfigurationStore store;
    return store;
}

QString CameraConfigurationStore::appSupportDirectory() const {
    if (appSupportDirectoryOverride_) {
        return *appSupportDirectoryOverride_;
    }
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) {
        return {};
    }
    return base + QStringLiteral("/rure");
}

Result<QByteArray> CameraConfigurationStore::readDocument(const QString& path) {
    return readWholeFile(path, maximumDocumentSize);
}

Result<QString> CameraConfigurationStore::storeDirectory() const {
    QString directory = appSupportDirectory();
    if (directory.isEmpty()) {
        return Error{ErrorDomain::file, ENOENT,
                     QStringLiteral("No application data directory is available for this user.")};
    }
    return directory;
}

Result<QList<Camera>> CameraConfigurationStore::load() const {
    const RureLog log = RureLog::configuration();
    const Result<QString> directory = storeDirectory();
    if (!directory) {
        return directory.error();
    }
    const QString cameraListPath = pathIn(directory.value(), cameraListFileName);
    const QString lastGoodPath = pathIn(directory.value(), lastGoodFileName);

    if (!entryExists(cameraListPath)) {
        log.info(QStringLiteral("No camera configuration exists yet."));
        return QList<Camera>();
    }
    restrictStoredFilesToOwner(directory.value(), cameraListPath, lastGoodPath);

    Result<QList<Camera>> primary = readCameraList(cameraListPath);
    if (!primary) {
        return recover(primary.error(), lastGoodPath);
    }
    if (primary.value().isEmpty()) {
        return recover(toError(CameraConfigurationError::noCameras), lastGoodPath);
    }

    refreshLastGoodCopy(cameraListPath, lastGoodPath);
    log.info(QStringLiteral("Loaded %1 cameras.").arg(primary.value().size()));
    return primary;
}

// Copies the camera list file's bytes, as read now, to the last-good copy when
// they still decode. Best effort: loading succeeds whether or not this works.
void CameraConfigurationStore::refreshLastGoodCopy(const QString& cameraListPath,
                                                   const QString& lastGoodPath) const {
    const Result<QByteArray> bytes = readStoredDocument(cameraListPath);
    if (!bytes || !decodeCameraList(bytes.value())) {
        return;
    }
    (void)writeProtected(bytes.value(), lastGoodPath);
}

Result<QList<Camera>> CameraConfigurationStore::recover(const Error& primaryError,
                                                        const QString& lastGoodPath) const {
    const RureLog log = RureLog::configuration();
    log.error(QStringLiteral("Primary camera configuration is invalid; attempting owner-only "
                             "recovery."));
    if (!entryExists(lastGoodPath)) {
        return primaryError;
    }
    Result<QList<Camera>> recovered = readCameraList(lastGoodPath);
    if (!recovered) {
        return recovered.error();
    }
    if (recovered.value().isEmpty()) {
        return toError(CameraConfigurationError::noCameras);
    }
    log.notice(QStringLiteral("Recovered %1 cameras from the last-known-good configuration.")
                   .arg(recovered.value().size()));
    return recovered;
}

Result<void> CameraConfigurationStore::save(const QList<Camera>& cameras) const {
    const RureLog log = RureLog::configuration();
    const Result<QString> directory = storeDirectory();
    if (!directory) {
        return directory.error();
    }
    if (Result<void> created = createDirectoryPath(directory.value()); !created) {
        return created;
    }
    const Result<QByteArray> bytes = encodeCameraList(cameras);
    if (!bytes) {
        return bytes.error();
    }
    if (Result<void> written =
            writeProtected(bytes.value(), pathIn(directory.value(), cameraListFileName));
        !written) {
        return written;
    }
    if (!writeProtected(bytes.value(), pathIn(directory.value(), lastGoodFileName))) {
        log.error(QStringLiteral(
            "The camera list was saved, but its recovery copy could not be refreshed."));
        return Result<void>::success();
    }
    log.info(QStringLiteral("Saved %1 cameras and refreshed the owner-only recovery copy.")
                 .arg(cameras.size()));
    return Result<void>::success();
}

Result<void> CameraConfigurationStore::exportCameras(const QList<Camera>& cameras,
                                                     const QString& destination) const {
    if (cameras.isEmpty()) {
        return toError(CameraConfigurationError::noCameras);
    }
    const Result<QByteArray> bytes = encodeCameraList(cameras);
    if (!bytes) {
        return bytes.error();
    }
    return writeProtected(bytes.value(), destination);
}

Result<void> CameraConfigurationStore::writeProtected(const QByteArray& bytes,
                                                      const QString& destination) const {
    if (Result<void> written = writeFileAtomically(bytes, destination); !written) {
        return written;
    }
    return restrictToOwner(destination);
}

} // namespace rure
