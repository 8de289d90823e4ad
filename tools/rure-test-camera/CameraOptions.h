#pragma once

#include "OptionValues.h"

#include <optional>
#include <string>
#include <variant>

namespace rure::camera {

struct CameraOptions {
    int port = 8554; // 0 = any free port
    std::string path = "/camera";
    std::string secondPath = "/camera2"; // empty = no second path
    // The camera's small stream: the first path's picture at smallSize.
    std::string smallPath = "/small"; // empty = no small stream
    PictureSize smallSize{640, 360};
    int width = 1280;
    int height = 720;
    // Frames per second; below 1 for slow cameras (0.2 is one frame every 5 s).
    double fps = 30;
    double keyframeInterval = 1.0; // seconds
    // Pixels the picture scrolls each frame, as a scene that keeps changing
    // costs an encoder and a decoder; 0 = a picture that stands still.
    int motion = 0;
    std::string user; // empty = no authentication
    std::string password;
    AuthMethod auth = AuthMethod::basic;

    VideoCodec codec = VideoCodec::h264;
    AudioCodec audio = AudioCodec::none; // a second stream in the same media

    // Seconds between two pictures while the camera is still; 0 = never still.
    double stillInterval = 0;
    std::optional<SmartSchedule> smartSchedule; // none = still and moving by command only
    bool startStill = false;

    // Seconds between switches from width x height to resizeTo and back; 0 = none.
    double resizeEvery = 0;
    std::optional<PictureSize> resizeTo;

    // Seconds without any RTSP request after which a session is dropped; 0 = never.
    int sessionTimeout = 0;
    // Seconds the camera waits before each RTSP answer.
    double answerDelay = 0;

    // The stream clock jumps by clockJumpBy seconds every clockJumpEvery seconds (0 = never)
    // and runs clockDriftPpm parts per million fast (or slow when negative).
    double clockJumpEvery = 0;
    double clockJumpBy = 0;
    double clockDriftPpm = 0;

    // Frames between two key frames, at least 1.
    int keyframeDistance() const;
    PictureSize pictureSize() const { return {width, height}; }
};

struct OptionsError {
    std::string message;
};

// Parses the command line; `--help` prints the usage and exits.
std::variant<CameraOptions, OptionsError> parseCameraOptions(int argc, char** argv);

} // namespace rure::camera
