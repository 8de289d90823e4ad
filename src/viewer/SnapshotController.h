#pragma once

#include "common/Scheduler.h"
#include "viewer/SnapshotSaver.h"
#include "viewer/VideoFocusCrop.h"

#include <QDateTime>
#include <QObject>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace rure {

class FocusAreaController;
class PlaybackEngine;

// Save Snapshot: the engine's own picture of the selected camera, whole and at
// the camera's size, saved as a PNG file by the snapshot saver.
//
// While a focus crop is shown the engine's picture is the crop: the whole
// picture is shown for a moment (as a right click shows it), the snapshot is
// taken once the engine draws it, and the crop comes back. While the camera's
// small stream plays, the snapshot waits in the same way for the main
// stream's picture, which the viewer plays while a snapshot waits. When the whole
// picture does not come within a few seconds, or the camera changes meanwhile,
// the snapshot is given up with a word to the user.
class SnapshotController final : public QObject {
    Q_OBJECT

public:
    // Told when a snapshot is saved, and why when none could be.
    using Hooks = SnapshotSaver::Hooks;

    // How long a snapshot may wait for the whole picture to be drawn.
    static constexpr Seconds wholePictureDeadline{5.0};

    SnapshotController(Scheduler& scheduler, QString folder, Hooks hooks,
                       QObject* parent = nullptr);

    // Takes a snapshot of `engine`'s picture of the camera `cameraName`, named
    // after `takenAt`. `focusArea` (when there is one) tells whether a crop is
    // shown; `selectionGeneration` tells the camera apart from later ones.
    // `mainPicture`, while the small stream plays, is the main stream's size.
    // Nothing happens while an earlier snapshot waits for the whole picture.
    void save(PlaybackEngine& engine, const QString& cameraName, const QDateTime& takenAt,
              FocusAreaController* focusArea, int64_t selectionGeneration,
              std::optional<QSize> mainPicture = std::nullopt);
    // The engine drew a picture: a snapshot that waits for the whole picture
    // is taken once it shows.
    void pictureDrawn(PlaybackEngine& engine, int64_t selectionGeneration);
    // The viewer closes: a snapshot that waits for the whole picture waits no
    // more, and says nothing.
    void viewerWillClose();

    bool isWaitingForWholePicture() const { return awaiting_.has_value(); }
    const SnapshotSaver& saver() const { return saver_; }

private:
    struct AwaitingWholePicture {
        QString cameraName;
        QDateTime takenAt;
        // The picture to wait for, in pixels.
        QSize whole;
        // The crop lifted for the snapshot, if one was.
        std::optional<VideoFocusCrop> crop;
        FocusAreaController* focusArea = nullptr;
        int64_t selectionGeneration = 0;
        TaskHandle deadline;
        // The engine has been asked for its picture and has not answered yet.
        bool asked = false;
    };

    // Drops the snapshot that waits for the whole picture and shows the crop
    // again; a non-empty `message` tells the user why.
    void abandon(const QString& message);
    // Shows the crop again that a snapshot lifted, unless the user changed the view since.
    static void showCropAgain(FocusAreaController* focusArea,
                              const std::optional<VideoFocusCrop>& crop);

    Scheduler& scheduler_;
    std::function<void(const QString& message)> failed_;
    SnapshotSaver saver_;
    std::optional<AwaitingWholePicture> awaiting_;
};

} // namespace rure
