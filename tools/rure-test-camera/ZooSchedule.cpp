#include "ZooSchedule.h"

#include "CameraServer.h"

namespace rure::camera {

ZooSchedule::ZooSchedule(const CameraOptions& options, CameraServer& server)
    : options_(options), server_(server), size_(options.pictureSize()),
      phaseTimer_([this] { enterPhase(!still_); }), resizeTimer_([this] {
          switchSize(size_ == options_.pictureSize() ? *options_.resizeTo : options_.pictureSize());
      }),
      jumpTimer_([this] {
          server_.jumpClock(options_.clockJumpBy);
          jumpTimer_.start(options_.clockJumpEvery);
      }) {}

void ZooSchedule::start() {
    if (options_.stillInterval > 0) {
        enterPhase(options_.startStill);
    }
    if (options_.resizeTo) {
        resizeTimer_.start(options_.resizeEvery);
    }
    if (options_.clockJumpEvery > 0) {
        jumpTimer_.start(options_.clockJumpEvery);
    }
}

void ZooSchedule::enterPhase(bool still) {
    still_ = still;
    server_.setStill(still);
    if (const auto& schedule = options_.smartSchedule) {
        phaseTimer_.start(still ? schedule->stillSeconds : schedule->movingSeconds);
    }
}

void ZooSchedule::switchSize(PictureSize size) {
    size_ = size;
    server_.resize(size);
    if (options_.resizeTo) {
        resizeTimer_.start(options_.resizeEvery);
    }
}

std::string ZooSchedule::still() {
    if (options_.stillInterval <= 0) {
        return "still needs --still-interval";
    }
    enterPhase(true);
    return {};
}

std::string ZooSchedule::moving() {
    if (options_.stillInterval > 0) {
        enterPhase(false);
    }
    return {};
}

std::string ZooSchedule::resize(PictureSize size) {
    if (!size.isSupported()) {
        return "the size must be between 16x16 and 7680x4320";
    }
    switchSize(size);
    return {};
}

std::string ZooSchedule::jump(double seconds) {
    if (!(seconds >= -86400 && seconds <= 86400)) {
        return "a jump must be between -86400 and 86400 seconds";
    }
    server_.jumpClock(seconds);
    return {};
}

} // namespace rure::camera
