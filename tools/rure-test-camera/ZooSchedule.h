#pragma once

#include "CameraOptions.h"
#include "MainLoopTimer.h"

#include <string>

namespace rure::camera {

class CameraServer;

// Carries out what the options schedule, on the default main context: the
// moving and still phases of a smart codec, the switches of picture size and
// the jumps of the stream clock. The matching commands act at once, and a
// schedule carries on from the state they leave.
class ZooSchedule {
public:
    ZooSchedule(const CameraOptions& options, CameraServer& server);
    ZooSchedule(const ZooSchedule&) = delete;
    ZooSchedule& operator=(const ZooSchedule&) = delete;

    // Sets the initial state and starts the schedules.
    void start();

    // Each returns an error text, or an empty string on success.
    std::string still();
    std::string moving();
    std::string resize(PictureSize size);
    std::string jump(double seconds);

private:
    void enterPhase(bool still);
    void switchSize(PictureSize size);

    const CameraOptions options_;
    CameraServer& server_;
    bool still_ = false;
    PictureSize size_;
    MainLoopTimer phaseTimer_;
    MainLoopTimer resizeTimer_;
    MainLoopTimer jumpTimer_;
};

} // namespace rure::camera
