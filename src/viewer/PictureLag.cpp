#include "PictureLag.h"

#include <algorithm>

namespace rure {

void PictureLag::restart() {
    *this = PictureLag();
}

std::optional<double> PictureLag::record(double wallSeconds, double streamSeconds) {
    if (lastStreamSeconds_ && *lastStreamSeconds_ == streamSeconds) {
        if (!clockHasMoved_) {
            reference_.reset();
        }
        return std::nullopt;
    }
    // A stream clock that goes back (the camera set its time anew) says
    // nothing about the picture's delay: it is measured afresh from here.
    if (lastStreamSeconds_ && streamSeconds < *lastStreamSeconds_) {
        reference_.reset();
    }
    clockHasMoved_ = clockHasMoved_ || lastStreamSeconds_.has_value();
    const double offset = wallSeconds - streamSeconds;
    if (reference_ && lastWallSeconds_) {
        const double drift = driftAllowance * std::max(0.0, wallSeconds - *lastWallSeconds_);
        reference_ = std::min(*reference_ + drift, offset);
    } else {
        reference_ = offset;
    }
    lastWallSeconds_ = wallSeconds;
    lastStreamSeconds_ = streamSeconds;
    return offset - *reference_;
}

} // namespace rure
