#pragma once

#include "config/Camera.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

namespace rure {

class ViewerSettings;

// The camera to select after the list was replaced: the first camera equal to
// the previous one; else the first whose name matches the previous name under a
// locale-aware, case-insensitive comparison; else the previous index clamped to
// the new list. -1 for an empty list.
qsizetype chooseSelectionAfterEdit(const QList<Camera>& cameras,
                                   const std::optional<Camera>& previousCamera,
                                   qsizetype previousIndex);

QStringList cameraNames(const QList<Camera>& cameras);

// The camera list and which of its cameras is selected; the chosen index is
// stored in the viewer's settings. The camera picker over the picture shows
// this selection and never holds it.
class CameraSelection {
public:
    explicit CameraSelection(ViewerSettings& settings) : settings_(settings) {}

    // The list read at launch. The stored selection comes back; an index
    // outside the list selects the first camera.
    void adoptLaunchList(QList<Camera> cameras);
    // The editor's saved list: the selection follows the camera selected
    // before (see chooseSelectionAfterEdit) and is stored. Returns it.
    qsizetype adoptEditedList(QList<Camera> cameras);
    // Selects a camera of the list and stores the choice; false, and nothing
    // changes, for an index outside the list.
    bool select(qsizetype index);

    const QList<Camera>& cameras() const { return cameras_; }
    bool isEmpty() const { return cameras_.isEmpty(); }
    // -1 for an empty list.
    qsizetype selectedIndex() const { return selectedIndex_; }
    // The selected camera; nothing for an empty list.
    const Camera* selectedCamera() const;
    QStringList names() const { return cameraNames(cameras_); }

    // Called after every change of the list or of the selected camera.
    void setChangeHandler(std::function<void()> handler);

private:
    void changed() const;

    ViewerSettings& settings_;
    QList<Camera> cameras_;
    qsizetype selectedIndex_ = -1;
    std::function<void()> changeHandler_;
};

} // namespace rure
