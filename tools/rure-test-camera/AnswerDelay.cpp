#include "AnswerDelay.h"

#include "RequestSignals.h"

#include <cmath>

namespace rure::camera {

namespace {

// The delay travels in the handlers' data, in milliseconds: no object to outlive.
GstRTSPStatusCode onRequest(GstRTSPClient*, GstRTSPContext*, gpointer delayMs) {
    g_usleep(static_cast<gulong>(GPOINTER_TO_UINT(delayMs)) * 1000);
    return GST_RTSP_STS_OK;
}

void onClientConnected(GstRTSPServer*, GstRTSPClient* client, gpointer delayMs) {
    for (const char* signal : requestSignals) {
        g_signal_connect(client, signal, G_CALLBACK(&onRequest), delayMs);
    }
}

} // namespace

void delayAnswers(GstRTSPServer* server, double seconds) {
    const auto delayMs = static_cast<guint>(std::llround(seconds * 1000));
    if (delayMs == 0) {
        return;
    }
    GstRTSPThreadPool* pool = gst_rtsp_server_get_thread_pool(server);
    gst_rtsp_thread_pool_set_max_threads(pool, -1);
    g_object_unref(pool);
    g_signal_connect(server, "client-connected", G_CALLBACK(&onClientConnected),
                     GUINT_TO_POINTER(delayMs));
}

} // namespace rure::camera
