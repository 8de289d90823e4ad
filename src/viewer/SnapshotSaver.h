#pragma once

#include "engine/PlaybackEngine.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>

namespace rure {

// Takes snapshots of the picture: asks the engine for the decoded picture,
// then encodes and writes it as a PNG file on a thread of its own, and tells
// its owner the outcome on the GUI thread. Each request is answered once;
// several may be under way at the same time. Lives on the GUI thread.
class SnapshotSaver final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* queueLabel = "com.didirezoror.rure.snapshots";

    struct Hooks {
        // The snapshot is saved at `path`.
        std::function<void(const QString& path)> saved;
        // No snapshot was saved; `message` says why, for the user.
        std::function<void(const QString& message)> failed;
    };

    SnapshotSaver(QString folder, Hooks hooks, QObject* parent = nullptr);
    // Waits for a file being written to be finished; answers nothing more.
    ~SnapshotSaver() override;

    const QString& folder() const { return folder_; }

    // Asked of each picture the engine answers with, before it is saved:
    // false drops it unsaved and unreported (the owner asks again later).
    using Answered = std::function<bool(const std::optional<QImage>& picture)>;

    // Asks `engine` for its picture and saves it named after `cameraName` and
    // `takenAt`. The engine's answer comes later, and `answered` is told of it
    // first; the engine may go meanwhile.
    void takeSnapshot(PlaybackEngine& engine, const QString& cameraName, const QDateTime& takenAt,
                      Answered answered = {});

    // Snapshots asked for and not yet saved or failed.
    int snapshotsUnderWay() const { return underWay_; }

private:
    void pictureArrived(std::optional<QImage> picture, const QString& stem);
    void finish(const Result<QString>& saved);

    QString folder_;
    Hooks hooks_;
    QThreadPool writers_;
    int underWay_ = 0;
};

} // namespace rure
