#pragma once

namespace rure::camera {

// The signals of GstRTSPClient that come with each request, before its answer:
// one per method that gst-rtsp-server handles.
inline constexpr const char* requestSignals[] = {
    "pre-options-request",       "pre-describe-request",      "pre-setup-request",
    "pre-play-request",          "pre-pause-request",         "pre-teardown-request",
    "pre-set-parameter-request", "pre-get-parameter-request", "pre-announce-request",
    "pre-record-request",
};

} // namespace rure::camera
