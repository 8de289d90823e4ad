#include "CameraStreams.h"

#include "common/RtspAddress.h"

namespace rure {

void CameraStreams::cameraChosen() {
    playing_ = CameraStream::main;
    shown_ = CameraStream::main;
    smallFailed_ = false;
}

bool CameraStreams::smallStreamUsable(const Camera& camera) const {
    return !smallFailed_ && !camera.subStreamUrl.isEmpty() &&
           playableAddress(camera.subStreamUrl).has_value();
}

bool CameraStreams::choose(const Camera& camera, const StreamNeeds& needs) {
    const CameraStream chosen = chooseStream({.mainPicture = mainPicture(camera).value_or(QSize()),
                                              .shownArea = needs.shownArea,
                                              .smallStreamUsable = smallStreamUsable(camera),
                                              .mainRequired = needs.mainRequired},
                                             playing_);
    if (chosen == playing_) {
        return false;
    }
    playing_ = chosen;
    return true;
}

const QString& CameraStreams::address(const Camera& camera) const {
    return playing_ == CameraStream::small && smallStreamUsable(camera) ? camera.subStreamUrl
                                                                        : camera.url;
}

void CameraStreams::mainPictureSeen(const Camera& camera, QSize size) {
    if (size.isEmpty() || mainPictures_.value(camera.url) == size) {
        return;
    }
    mainPictures_.insert(camera.url, size);
    if (memory_.remember) {
        memory_.remember(camera.url, size);
    }
}

std::optional<QSize> CameraStreams::mainPicture(const Camera& camera) const {
    if (const auto found = mainPictures_.constFind(camera.url); found != mainPictures_.cend()) {
        return *found;
    }
    return memory_.recall ? memory_.recall(camera.url) : std::nullopt;
}

void CameraStreams::smallStreamFailed() {
    smallFailed_ = true;
    playing_ = CameraStream::main;
}

} // namespace rure
