#pragma once

#include <gst/rtsp-server/rtsp-server.h>

namespace rure::camera {

// Makes the server wait `seconds` before each RTSP answer, as cheap cameras
// take a while to answer. Each client gets a thread of its own, so that one
// client's wait does not hold up the answers to the others.
void delayAnswers(GstRTSPServer* server, double seconds);

} // namespace rure::camera
