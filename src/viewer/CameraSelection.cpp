#include "CameraSelection.h"

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

} // namespace rure
