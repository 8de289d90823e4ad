#include "PlayReport.h"

#include <cstdio>
#include <ctime>
#include <string>

namespace rure::camera {

namespace {

GstRTSPStatusCode onPlayRequest(GstRTSPClient*, GstRTSPContext*, gpointer) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::string line =
        "play " + std::to_string(std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec) + "\n";
    // One write per line: with an answer delay, clients have threads of their own.
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
    return GST_RTSP_STS_OK;
}

void onClientConnected(GstRTSPServer*, GstRTSPClient* client, gpointer) {
    g_signal_connect(client, "pre-play-request", G_CALLBACK(&onPlayRequest), nullptr);
}

} // namespace

void reportPlayRequests(GstRTSPServer* server) {
    g_signal_connect(server, "client-connected", G_CALLBACK(&onClientConnected), nullptr);
}

} // namespace rure::camera
