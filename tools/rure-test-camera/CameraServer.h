#pragma once

#include "CameraOptions.h"
#include "Picture.h"
#include "PipelineDescription.h"
#include "SessionTimeout.h"
#include "StillGate.h"
#include "StreamClock.h"

#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rure::camera {

// The RTSP server of the test camera: one shared live pipeline per path, bound
// to 127.0.0.1 only, with controls that the tests use to make the camera
// misbehave (stall, drop its clients, change the picture).
class CameraServer {
public:
    explicit CameraServer(CameraOptions options);
    ~CameraServer();
    CameraServer(const CameraServer&) = delete;
    CameraServer& operator=(const CameraServer&) = delete;

    // Starts listening on the default main context; returns an error text, or
    // an empty string on success.
    std::string listen();

    int port() const { return port_; }
    // The address of every served path, the primary one first.
    std::vector<std::string> urls() const;

    // Stops the pictures (and sound) of every path; connections stay open.
    void stall();
    // Lets frames flow again, starting with a key frame.
    void resume();
    // Disconnects every client; the server keeps listening.
    void dropClients();
    // Switches the picture of the primary path and of the small stream; returns the CLOCK_MONOTONIC
    // time, in nanoseconds, at which the new picture took effect.
    std::int64_t showPicture(Picture picture);
    // Sends one picture every --still-interval seconds, or every picture again;
    // no effect without a still interval.
    void setStill(bool still);
    // Switches the picture size of every path but the small stream's within
    // the running sessions.
    void resize(PictureSize size);
    // Makes the stream clock of every path jump by `seconds`.
    void jumpClock(double seconds);

private:
    struct Pipeline;
    struct FactoryBinding {
        CameraServer* server;
        StreamPath path;
    };

    static void onMediaConfigure(GstRTSPMediaFactory* factory, GstRTSPMedia* media,
                                 gpointer binding);
    static gboolean onCleanupSessions(gpointer server);

    GstRTSPMediaFactory* createFactory(const std::string& launch, FactoryBinding* binding);
    void adopt(GstRTSPMedia* media, StreamPath path);
    // The pipelines still alive; dead ones are forgotten on the way.
    std::vector<std::shared_ptr<Pipeline>> livePipelines();
    static void applyPicture(GstElement* source, Picture picture);
    void applySize(GstElement* filter, PictureSize size) const;

    CameraOptions options_;
    GstRTSPServer* server_ = nullptr;
    GSource* listenSource_ = nullptr;
    guint cleanupSourceId_ = 0;
    int port_ = 0;
    std::unique_ptr<SessionTimeout> sessionTimeout_;
    // Shared with the streaming threads of every pipeline.
    const std::shared_ptr<StillGate> stillGate_; // null without a still interval
    const std::shared_ptr<StreamClock> clock_;
    FactoryBinding primaryBinding_{this, StreamPath::primary};
    FactoryBinding secondBinding_{this, StreamPath::second};
    FactoryBinding smallBinding_{this, StreamPath::small};

    // Media are configured on the main context but die on their own threads.
    std::mutex mutex_;
    std::vector<std::shared_ptr<Pipeline>> pipelines_;
    bool stalled_ = false;
    Picture picture_ = Picture::pattern;
    PictureSize size_;
};

} // namespace rure::camera
