#pragma once

#include "Camera.h"
#include "common/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace rure {

// Keeps the camera list in "cameras.json" in the application data directory, with
// an owner-only copy of the last list known to be good ("cameras.last-good.json")
// that load() falls back to when the camera list file is damaged.
//
// Holds no state: every call works on the files as they are now. Synchronous;
// meant for the GUI thread.
class CameraConfigurationStore {
public:
    static constexpr const char* cameraListFileName = "cameras.json";
    static constexpr const char* lastGoodFileName = "cameras.last-good.json";
    // A camera takes a few hundred bytes of the document, so a larger document is
    // not a camera list but damage (or something else under its name).
    static constexpr qsizetype maximumDocumentSize = 4 * 1024 * 1024;

    // With an override, the store uses exactly that directory (tests, other profiles).
    explicit CameraConfigurationStore(
        std::optional<QString> appSupportDirectoryOverride = std::nullopt);

    // The process-wide store in the user's data directory.
    static CameraConfigurationStore& shared();

    // The override, else $XDG_DATA_HOME/rure (normally ~/.local/share/rure);
    // empty when the platform has no data directory for this user.
    QString appSupportDirectory() const;

    // The bytes of a camera list document the user chose (an import): a regular
    // file only, also through links, without ever blocking, of at most
    // maximumDocumentSize bytes. Anything else fails with an error for which
    // isUnsuitableFile() holds.
    static Result<QByteArray> readDocument(const QString& path);

    // The saved list; an empty list when none was ever saved. A damaged, oversized
    // or empty camera list file is answered from the last-good copy when that copy
    // is sound; the camera list file's content is never modified. Either file is
    // damaged too when it is not a regular file of this user's: a symbolic link
    // (never followed), a FIFO, a directory or a file of another user is never
    // read, trusted or copied to the last-good copy. A list found readable by
    // others (copied in by hand, say) is narrowed to its owner, with its
    // last-good copy and the store directory, as after a save.
    Result<QList<Camera>> load() const;

    // Writes the list and refreshes the last-good copy. Creates the directory
    // (owner-only) when needed.
    Result<void> save(const QList<Camera>& cameras) const;

    // Writes the list, owner-only, to `destination`, whose directory must exist.
    // Refuses an empty list.
    Result<void> exportCameras(const QList<Camera>& cameras, const QString& destination) const;

    // Atomically replaces `destination` with `bytes`, then gives it mode 0600. When
    // only the mode change fails, the error is returned but the new content stays.
    Result<void> writeProtected(const QByteArray& bytes, const QString& destination) const;

private:
    Result<QString> storeDirectory() const;
    void refreshLastGoodCopy(const QString& cameraListPath, const QString& lastGoodPath) const;
    Result<QList<Camera>> recover(const Error& primaryError, const QString& lastGoodPath) const;

    std::optional<QString> appSupportDirectoryOverride_;
};

} // namespace rure
