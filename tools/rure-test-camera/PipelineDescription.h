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

// The gst-launch description of one path's media: colour bars on the primary
// path, a solid colour on the other, encoded as the options say, with an audio
// stream when they ask for one.
std::string pipelineDescription(const CameraOptions& options, bool primary);

// The caps of the raw pictures at `size`.
std::string rawVideoCaps(const CameraOptions& options, PictureSize size);

// The GStreamer elements that the pipelines of these options need.
std::vector<std::string> requiredElements(const CameraOptions& options);

} // namespace rure::camera
