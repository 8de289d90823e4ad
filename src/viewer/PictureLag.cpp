#include "PictureLag.h"

#include <algorithm>

namespace rure {

void PictureLag::restart() {
    bestOffset_.reset();
    lastStreamSeconds_.reset();
}

std::optional<double> PictureLag::record(double wallSeconds, double streamSeconds) {
    if (lastStreamSeconds_ && *lastStreamSeconds_ == streamSeconds) {
        bestOffset_.reset();
        return std::nullopt;
    }
    lastStreamSeconds_ = streamSeconds;
    const double offset = wallSeconds - streamSeconds;
    bestOffset_ = bestOffset_ ? std::min(*bestOffset_, offset) : offset;
    return offset - *bestOffset_;
}

} // namespace rure
