#pragma once

#include <QSize>
#include <QString>

#include <gst/gst.h>

#include <functional>
#include <mutex>
#include <optional>

namespace rure::test {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};

// An in-process GStreamer RTSP client (interleaved TCP, no jitter latency)
// that decodes a camera's H.264 stream and records what it saw: how many
// frames, their size, the distance between key frames and the centre pixel of
// the latest picture.
class RtspProbe {
public:
    explicit RtspProbe(const QString& url, const QString& user = {}, const QString& password = {});
    ~RtspProbe();
    RtspProbe(const RtspProbe&) = delete;
    RtspProbe& operator=(const RtspProbe&) = delete;

    // Connects and plays; false when the pipeline cannot even start.
    bool start();

    int frames() const;
    int keyFrames() const;
    // The most frames seen from one key frame to the next.
    int longestKeyFrameDistance() const;
    QSize frameSize() const;
    std::optional<Rgb> centre() const;

    // Each returns as soon as its condition holds, false after the timeout.
    bool waitForFrames(int count, int timeoutMs);
    bool waitForCentre(const std::function<bool(const Rgb&)>& wanted, int timeoutMs);
    // Waits for end of stream or an error, that is for the camera to go away.
    bool waitForEnd(int timeoutMs);
    bool hasEnded();
    QString endReason() const;

private:
    static GstFlowReturn onNewSample(GstElement* sink, gpointer self);
    static GstPadProbeReturn onParsedBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void pollBus(int waitMs);

    GstElement* pipeline_ = nullptr;

    mutable std::mutex mutex_; // the fields below are written by streaming threads
    int frames_ = 0;
    int keyFrames_ = 0;
    int framesSinceKey_ = 0;
    int longestKeyDistance_ = 0;
    QSize size_;
    std::optional<Rgb> centre_;
    bool ended_ = false;
    QString endReason_;
};

} // namespace rure::test
