#include "FrameCadence.h"

#include <algorithm>

namespace rure {

void FrameCadence::followCamera(const QString& camera) {
    if (camera != camera_) {
        forget();
        camera_ = camera;
    }
}

void FrameCadence::forget() {
    camera_.clear();
    count_ = 0;
    next_ = 0;
}

void FrameCadence::recordInterval(double seconds) {
    if (!(seconds >= 0)) {
        return;
    }
    intervals_[next_] = seconds;
    next_ = (next_ + 1) % remembered;
    count_ = std::min(count_ + 1, remembered);
}

std::optional<double> FrameCadence::typicalInterval() const {
    if (count_ < minimumIntervals) {
        return std::nullopt;
    }
    std::array<double, remembered> sorted = intervals_;
    const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(count_);
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(count_ / 2);
    std::nth_element(sorted.begin(), middle, end);
    return *middle;
}

bool FrameCadence::isStall(double gapSeconds) const {
    if (gapSeconds < minimumStallSeconds) {
        return false;
    }
    const std::optional<double> typical = typicalInterval();
    return typical && gapSeconds >= stallFactor * *typical;
}

} // namespace rure
