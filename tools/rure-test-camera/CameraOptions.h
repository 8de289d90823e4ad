#pragma once

#include <string>
#include <variant>

namespace rure::camera {

struct CameraOptions {
    int port = 8554; // 0 = any free port
    std::string path = "/camera";
    std::string secondPath = "/camera2"; // empty = no second path
    int width = 1280;
    int height = 720;
    // Frames per second; below 1 for slow cameras (0.2 is one frame every 5 s).
    double fps = 30;
    double keyframeInterval = 1.0; // seconds
    std::string user;              // empty = no authentication
    std::string password;

    // Frames between two key frames, at least 1.
    int keyframeDistance() const;
};

struct OptionsError {
    std::string message;
};

// Parses the command line; `--help` prints the usage and exits.
std::variant<CameraOptions, OptionsError> parseCameraOptions(int argc, char** argv);

} // namespace rure::camera
