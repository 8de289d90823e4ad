#pragma once

#include <gst/rtsp-server/rtsp-server.h>

#include <memory>

namespace rure::camera {

// Drops every session whose client has sent no RTSP request at all (OPTIONS,
// GET_PARAMETER or any other) for the timeout, and closes the client's
// connection, as cameras do; each drop is logged as "session timed out". The
// sessions announce the timeout in their Session header. gst-rtsp-server
// itself keeps sessions over TCP alive while the connection lasts, and those
// over UDP while RTCP arrives, so the requests are watched here.
class SessionTimeout {
public:
    SessionTimeout(GstRTSPServer* server, int seconds);
    ~SessionTimeout();
    SessionTimeout(const SessionTimeout&) = delete;
    SessionTimeout& operator=(const SessionTimeout&) = delete;

private:
    struct Watch;
    static gboolean onCheck(gpointer self);

    GstRTSPServer* server_;
    std::shared_ptr<Watch> watch_; // shared with the signal handlers of the clients
    gulong connectedHandler_ = 0;
    guint checkSourceId_ = 0;
};

} // namespace rure::camera
