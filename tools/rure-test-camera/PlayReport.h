#pragma once

#include <gst/rtsp-server/rtsp-server.h>

namespace rure::camera {

// Prints "play <nanoseconds>" on standard output as each PLAY request
// arrives, before it is answered, on the clock of the "switched" lines
// (CLOCK_MONOTONIC): benchmarks time a player's start-up to its PLAY.
void reportPlayRequests(GstRTSPServer* server);

} // namespace rure::camera
