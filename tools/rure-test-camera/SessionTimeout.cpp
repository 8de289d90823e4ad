#include "SessionTimeout.h"

#include "RequestSignals.h"

#include <cstdio>
#include <map>
#include <mutex>

namespace rure::camera {

namespace {

constexpr guint checkIntervalMs = 100;

} // namespace

// The time of each connected client's latest request. Clients call in on
// their own threads, the check runs on the main context.
struct SessionTimeout::Watch {
    explicit Watch(int timeoutSeconds) : seconds(timeoutSeconds) {}

    using Handle = std::shared_ptr<Watch>;

    static void connect(Handle* self, GstRTSPClient* client, const char* signal,
                        GCallback handler) {
        g_signal_connect_data(
            client, signal, handler, new Handle(*self),
            [](gpointer handle, GClosure*) { delete static_cast<Handle*>(handle); },
            GConnectFlags(0));
    }

    static void onClientConnected(GstRTSPServer*, GstRTSPClient* client, gpointer data) {
        auto* self = static_cast<Handle*>(data);
        (*self)->touch(client);
        for (const char* signal : requestSignals) {
            connect(self, client, signal, G_CALLBACK(&Watch::onRequest));
        }
        // Requests of other methods show in their answers.
        connect(self, client, "send-message", G_CALLBACK(&Watch::onMessageSent));
        connect(self, client, "new-session", G_CALLBACK(&Watch::onNewSession));
        connect(self, client, "closed", G_CALLBACK(&Watch::onClosed));
    }

    static GstRTSPStatusCode onRequest(GstRTSPClient* client, GstRTSPContext*, gpointer data) {
        (*static_cast<Handle*>(data))->touch(client);
        return GST_RTSP_STS_OK;
    }

    static void onMessageSent(GstRTSPClient* client, GstRTSPContext*, GstRTSPMessage* message,
                              gpointer data) {
        if (message && gst_rtsp_message_get_type(message) == GST_RTSP_MESSAGE_RESPONSE) {
            (*static_cast<Handle*>(data))->touch(client);
        }
    }

    static void onNewSession(GstRTSPClient*, GstRTSPSession* session, gpointer data) {
        gst_rtsp_session_set_timeout(session,
                                     static_cast<guint>((*static_cast<Handle*>(data))->seconds));
        // The Session header leaves out the default of 60 s otherwise.
        g_object_set(session, "timeout-always-visible", TRUE, nullptr);
    }

    static void onClosed(GstRTSPClient* client, gpointer data) {
        Watch& watch = **static_cast<Handle*>(data);
        std::lock_guard lock(watch.mutex);
        watch.lastRequestUs.erase(client);
    }

    void touch(GstRTSPClient* client) {
        std::lock_guard lock(mutex);
        lastRequestUs[client] = g_get_monotonic_time();
    }

    bool isIdle(GstRTSPClient* client, gint64 now) {
        std::lock_guard lock(mutex);
        const auto found = lastRequestUs.find(client);
        return found != lastRequestUs.end() &&
               now - found->second >= static_cast<gint64>(seconds) * G_USEC_PER_SEC;
    }

    // Drops the sessions of a client idle for the timeout and closes its
    // connection; keeps clients without sessions.
    static GstRTSPFilterResult dropIfIdle(GstRTSPServer* server, GstRTSPClient* client,
                                          gpointer data) {
        Watch& watch = *static_cast<Watch*>(data);
        if (!watch.isIdle(client, g_get_monotonic_time())) {
            return GST_RTSP_FILTER_KEEP;
        }
        GList* sessions = gst_rtsp_client_session_filter(client, nullptr, nullptr);
        if (!sessions) {
            return GST_RTSP_FILTER_KEEP;
        }
        GstRTSPSessionPool* pool = gst_rtsp_server_get_session_pool(server);
        for (GList* item = sessions; item; item = item->next) {
            gst_rtsp_session_pool_remove(pool, static_cast<GstRTSPSession*>(item->data));
            std::fputs("rure-test-camera: session timed out\n", stderr);
            std::fflush(stderr);
        }
        g_object_unref(pool);
        g_list_free_full(sessions, g_object_unref);
        return GST_RTSP_FILTER_REMOVE;
    }

    const int seconds;
    std::mutex mutex;
    std::map<GstRTSPClient*, gint64> lastRequestUs; // by g_get_monotonic_time()
};

SessionTimeout::SessionTimeout(GstRTSPServer* server, int seconds)
    : server_(server), watch_(std::make_shared<Watch>(seconds)) {
    g_object_ref(server_);
    connectedHandler_ = g_signal_connect_data(
        server_, "client-connected", G_CALLBACK(&Watch::onClientConnected),
        new Watch::Handle(watch_),
        [](gpointer handle, GClosure*) { delete static_cast<Watch::Handle*>(handle); },
        GConnectFlags(0));
    checkSourceId_ = g_timeout_add(checkIntervalMs, &SessionTimeout::onCheck, this);
}

SessionTimeout::~SessionTimeout() {
    g_source_remove(checkSourceId_);
    g_signal_handler_disconnect(server_, connectedHandler_);
    g_object_unref(server_);
}

gboolean SessionTimeout::onCheck(gpointer self) {
    auto* timeout = static_cast<SessionTimeout*>(self);
    GList* dropped =
        gst_rtsp_server_client_filter(timeout->server_, &Watch::dropIfIdle, timeout->watch_.get());
    g_list_free_full(dropped, g_object_unref);
    return G_SOURCE_CONTINUE;
}

} // namespace rure::camera
