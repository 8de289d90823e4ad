#pragma once

#include "CameraOptions.h"

#include <gst/rtsp-server/rtsp-server.h>

namespace rure::camera {

// The authentication of --user and --password by the options' method; every
// authenticated request gets `role`. Null when the options ask for none.
GstRTSPAuth* newAuthentication(const CameraOptions& options, const char* role);

} // namespace rure::camera
