#include "FrameCadence.h"

#include <algorithm>
#include <cmath>

namespace rure {

template <std::size_t N> void FrameCadence::Recent<N>::add(double value) {
    values[next] = value;
    next = (next + 1) % N;
    count = std::min(count + 1, N);
}

template <std::size_t N> std::optional<double> FrameCadence::Recent<N>::median() const {
    if (count == 0) {
        return std::nullopt;
    }
    std::array<double, N> sorted = values;
    const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(count);
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(count / 2);
    std::nth_element(sorted.begin(), middle, end);
    return *middle;
}

template <std::size_t N> std::optional<double> FrameCadence::Recent<N>::largest() const {
    if (count == 0) {
        return std::nullopt;
    }
    return *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(count));
}

void FrameCadence::followCamera(const QString& camera) {
    if (camera != camera_) {
        forget();
        camera_ = camera;
    }
}

void FrameCadence::forget() {
    *this = FrameCadence();
}

void FrameCadence::recordInterval(double seconds) {
    if (!(seconds >= 0) || !std::isfinite(seconds)) {
        return;
    }
    // Until the usual gap is known, every gap is taken for one.
    const std::optional<double> typical = typicalInterval();
    const bool isPause =
        typical && seconds >= minimumStallSeconds && seconds >= stallFactor * *typical;
    if (isPause) {
        pauses_.add(seconds);
    } else {
        intervals_.add(seconds);
    }
}

void FrameCadence::recordFirstPicture(double seconds) {
    if (seconds >= 0 && std::isfinite(seconds)) {
        firstPictures_.add(seconds);
    }
}

std::optional<double> FrameCadence::typicalInterval() const {
    if (intervals_.count < minimumIntervals) {
        return std::nullopt;
    }
    return intervals_.median();
}

std::optional<double> FrameCadence::pausePace() const {
    return pauses_.median();
}

bool FrameCadence::isStall(double gapSeconds) const {
    if (gapSeconds < minimumStallSeconds) {
        return false;
    }
    const std::optional<double> typical = typicalInterval();
    if (!typical || gapSeconds < stallFactor * *typical) {
        return false;
    }
    // A gap like the camera's own pauses is one of them.
    const std::optional<double> pause = pausePace();
    return !pause || gapSeconds > stalePauses * *pause;
}

double FrameCadence::silenceLimitSeconds() const {
    double limit = silenceFloorSeconds;
    if (const std::optional<double> typical = typicalInterval()) {
        // Ten gaps of a fast camera; two of a camera slower than one a second.
        limit =
            std::max({limit, silenceIntervals * std::min(*typical, 1.0), silencePauses * *typical});
    }
    if (const std::optional<double> pause = pausePace()) {
        limit = std::max(limit, silencePauses * *pause);
    }
    return std::min(limit, silenceCeilingSeconds);
}

double FrameCadence::staleAfterSeconds() const {
    double stale = minimumStaleSeconds;
    if (const std::optional<double> typical = typicalInterval()) {
        stale = std::max(stale, std::min(staleIntervals * *typical, stalePauses * *typical + 1));
    }
    if (const std::optional<double> pause = pausePace()) {
        stale = std::max(stale, stalePauses * *pause);
    }
    return std::min(stale, silenceLimitSeconds());
}

double FrameCadence::firstPictureLimitSeconds() const {
    const std::optional<double> longest = firstPictures_.largest();
    if (!longest) {
        return unknownFirstPictureSeconds;
    }
    double limit = std::max(minimumFirstPictureSeconds, 2 * *longest + 2);
    if (const std::optional<double> pause = pausePace()) {
        limit = std::max(limit, silencePauses * *pause + 2);
    }
    return std::min(limit, maximumFirstPictureSeconds);
}

} // namespace rure
