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

    // With an override, the store uses exactly that directory (tests, other profiles).
    explicit CameraConfigurationStore(
        std::optional<QString> appSupportDirectoryOverride = std::nullopt);

    // The process-wide store in the user's data directory.
    static CameraConfigurationStore& shared();

    // The override, else $XDG_DATA_HOME/rure (normally ~/.local/share/rure);
    // empty when the platform has no data directory for this user.
    QString appSupportDirectory() const;

    // The saved list; an empty list when none was ever saved. A damaged or empty
    // camera list file is answered from the last-good copy when that copy is
    // sound; the camera list file itself is never modified.
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
