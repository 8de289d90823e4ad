#pragma once

#include "CameraOptions.h"

#include <string>
#include <vector>

namespace rure::camera {

// Names of the elements of a media pipeline that the controls look up.
namespace element {
inline constexpr const char* source = "source";
inline constexpr const char* size = "size"; // the capsfilter of the raw pictures
inline constexpr const char* valve = "valve";
inline constexpr const char* encoder = "encoder";
inline constexpr const char* audioValve = "audiovalve";
inline constexpr const char* videoPayloader = "pay0";
inline constexpr const char* audioPayloader = "pay1";
} // namespace element

// The paths a camera serves.
enum class StreamPath {
    primary, // the picture the commands change, at the camera's size
    second,  // a solid colour
    small,   // the primary path's picture at the small stream's size
};

// The gst-launch description of one path's media, encoded as the options say,
// with an audio stream when they ask for one.
std::string pipelineDescription(const CameraOptions& options, StreamPath path);

// The caps of the raw pictures at `size`.
std::string rawVideoCaps(const CameraOptions& options, PictureSize size);

// The GStreamer elements that the pipelines of these options need.
std::vector<std::string> requiredElements(const CameraOptions& options);

} // namespace rure::camera
