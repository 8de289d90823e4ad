#include "SnapshotSaver.h"

#include "common/RureLog.h"
#include "viewer/SnapshotFile.h"
#include "viewer/SnapshotFileName.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

namespace rure {

SnapshotSaver::SnapshotSaver(QString folder, Hooks hooks, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), hooks_(std::move(hooks)) {
    writers_.setObjectName(QString::fromLatin1(queueLabel));
    // One file at a time: two snapshots of the same second take their names in turn.
    writers_.setMaxThreadCount(1);
}

SnapshotSaver::~SnapshotSaver() {
    writers_.waitForDone();
}

void SnapshotSaver::takeSnapshot(PlaybackEngine& engine, const QString& cameraName,
                                 const QDateTime& takenAt, Answered answered) {
    ++underWay_;
    const QString stem = snapshotFileStem(cameraName, takenAt);
    engine.takeSnapshot([weakSelf = QPointer<SnapshotSaver>(this), stem,
                         answered = std::move(answered)](std::optional<QImage> picture) {
        if (!weakSelf) {
            return;
        }
        // The owner may act on the answer (show the crop again) before the
        // file is written, or turn the picture down.
        if (answered && !answered(picture)) {
            if (weakSelf) {
                --weakSelf->underWay_;
            }
            return;
        }
        if (weakSelf) {
            weakSelf->pictureArrived(std::move(picture), stem);
        }
    });
}

void SnapshotSaver::pictureArrived(std::optional<QImage> picture, const QString& stem) {
    if (!picture) {
        finish(Error{ErrorDomain::engine, 0,
                     QStringLiteral("The video engine could not take the picture.")});
        return;
    }
    // The answer goes through the application object, which outlives this
    // saver; the pointer is only read back on the GUI thread.
    writers_.start([weakSelf = QPointer<SnapshotSaver>(this), picture = std::move(*picture),
                    folder = folder_, stem] {
        Result<QString> saved = saveSnapshotPicture(picture, folder, stem);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weakSelf, saved = std::move(saved)] {
                if (weakSelf) {
                    weakSelf->finish(saved);
                }
            },
            Qt::QueuedConnection);
    });
}

void SnapshotSaver::finish(const Result<QString>& saved) {
    --underWay_;
    if (saved.ok()) {
        RureLog::lifecycle().notice(QStringLiteral("Saved a snapshot of the camera picture."));
        if (hooks_.saved) {
            hooks_.saved(saved.value());
        }
        return;
    }
    RureLog::lifecycle().error(QStringLiteral("A snapshot could not be saved."));
    if (hooks_.failed) {
        hooks_.failed(saved.error().description);
    }
}

} // namespace rure
