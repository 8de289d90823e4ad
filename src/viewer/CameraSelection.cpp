#include "CameraSelection.h"

#include "viewer/ViewerSettings.h"

#include <QCollator>

#include <algorithm>

namespace rure {

qsizetype chooseSelectionAfterEdit(const QList<Camera>& cameras,
                                   const std::optional<Camera>& previousCamera,
                                   qsizetype previousIndex) {
    if (cameras.isEmpty()) {
        return -1;
    }
    if (previousCamera) {
        for (qsizetype i = 0; i < cameras.size(); ++i) {
            if (cameras[i] == *previousCamera) {
                return i;
            }
        }
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        for (qsizetype i = 0; i < cameras.size(); ++i) {
            if (collator.compare(cameras[i].name, previousCamera->name) == 0) {
                return i;
            }
        }
    }
    return std::min(cameras.size() - 1, std::max<qsizetype>(previousIndex, 0));
}

QStringList cameraNames(const QList<Camera>& cameras) {
    QStringList names;
    names.reserve(cameras.size());
    for (const Camera& camera : cameras) {
        names << camera.name;
    }
    return names;
}

void CameraSelection::adoptLaunchList(QList<Camera> cameras) {
    cameras_ = std::move(cameras);
    const qsizetype stored = settings_.selectedCameraIndex();
    if (cameras_.isEmpty()) {
        selectedIndex_ = -1;
    } else {
        selectedIndex_ = stored >= 0 && stored < cameras_.size() ? stored : 0;
    }
    changed();
}

qsizetype CameraSelection::adoptEditedList(QList<Camera> cameras) {
    const Camera* previous = selectedCamera();
    const std::optional<Camera> previousCamera =
        previous ? std::optional<Camera>(*previous) : std::nullopt;
    const qsizetype previousIndex = selectedIndex_;
    cameras_ = std::move(cameras);
    selectedIndex_ = chooseSelectionAfterEdit(cameras_, previousCamera, previousIndex);
    settings_.setSelectedCameraIndex(selectedIndex_);
    changed();
    return selectedIndex_;
}

bool CameraSelection::select(qsizetype index) {
    if (index < 0 || index >= cameras_.size()) {
        return false;
    }
    selectedIndex_ = index;
    settings_.setSelectedCameraIndex(index);
    changed();
    return true;
}

void CameraSelection::setChangeHandler(std::function<void()> handler) {
    changeHandler_ = std::move(handler);
}

void CameraSelection::changed() const {
    if (changeHandler_) {
        changeHandler_();
    }
}

const Camera* CameraSelection::selectedCamera() const {
    return selectedIndex_ >= 0 && selectedIndex_ < cameras_.size() ? &cameras_[selectedIndex_]
                                                                   : nullptr;
}

} // namespace rure
