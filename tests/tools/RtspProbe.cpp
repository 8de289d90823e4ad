#include "RtspProbe.h"

#include <QDeadlineTimer>

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

namespace rure::test {

namespace {

constexpr const char* pipelineDescription =
    "rtspsrc name=source protocols=tcp latency=0 ! rtph264depay ! h264parse name=parse"
    " ! avdec_h264 ! videoconvert ! video/x-raw,format=RGB"
    " ! appsink name=sink sync=false max-buffers=2 drop=true";

} // namespace

RtspProbe::RtspProbe(const QString& url, const QString& user, const QString& password) {
    gst_init(nullptr, nullptr);
    GError* error = nullptr;
    pipeline_ = gst_parse_launch(pipelineDescription, &error);
    if (!pipeline_ || error) {
        endReason_ = QString::fromUtf8(error ? error->message : "no pipeline");
        g_clear_error(&error);
        if (pipeline_) {
            gst_object_unref(pipeline_);
            pipeline_ = nullptr;
        }
        return;
    }

    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline_), "source");
    g_object_set(source, "location", url.toUtf8().constData(), nullptr);
    if (!user.isEmpty()) {
        g_object_set(source, "user-id", user.toUtf8().constData(), "user-pw",
                     password.toUtf8().constData(), nullptr);
    }
    gst_object_unref(source);

    GstElement* parse = gst_bin_get_by_name(GST_BIN(pipeline_), "parse");
    GstPad* parsed = gst_element_get_static_pad(parse, "src");
    gst_pad_add_probe(parsed, GST_PAD_PROBE_TYPE_BUFFER, &RtspProbe::onParsedBuffer, this, nullptr);
    gst_object_unref(parsed);
    gst_object_unref(parse);

    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline_), "sink");
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink* appSink, gpointer self) {
        return RtspProbe::onNewSample(GST_ELEMENT(appSink), self);
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    gst_object_unref(sink);
}

RtspProbe::~RtspProbe() {
    if (pipeline_) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(pipeline_);
    }
}

bool RtspProbe::start() {
    return pipeline_ &&
           gst_element_set_state(pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

GstPadProbeReturn RtspProbe::onParsedBuffer(GstPad*, GstPadProbeInfo* info, gpointer self) {
    auto* probe = static_cast<RtspProbe*>(self);
    const GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    std::lock_guard lock(probe->mutex_);
    if (GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT)) {
        ++probe->framesSinceKey_;
    } else {
        if (probe->keyFrames_ > 0) {
            probe->longestKeyDistance_ =
                std::max(probe->longestKeyDistance_, probe->framesSinceKey_ + 1);
        }
        ++probe->keyFrames_;
        probe->framesSinceKey_ = 0;
    }
    return GST_PAD_PROBE_OK;
}

GstFlowReturn RtspProbe::onNewSample(GstElement* sink, gpointer self) {
    auto* probe = static_cast<RtspProbe*>(self);
    GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (!sample) {
        return GST_FLOW_OK;
    }
    GstVideoInfo info;
    GstVideoFrame frame;
    const bool described = gst_video_info_from_caps(&info, gst_sample_get_caps(sample));
    if (described &&
        gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
        const int x = GST_VIDEO_INFO_WIDTH(&info) / 2;
        const int y = GST_VIDEO_INFO_HEIGHT(&info) / 2;
        const auto* row = static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)) +
                          y * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        const guint8* pixel = row + x * 3;
        const Rgb centre{pixel[0], pixel[1], pixel[2]};
        gst_video_frame_unmap(&frame);

        std::lock_guard lock(probe->mutex_);
        ++probe->frames_;
        probe->size_ = QSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
        probe->centre_ = centre;
    }
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void RtspProbe::pollBus(int waitMs) {
    if (!pipeline_) {
        return;
    }
    GstBus* bus = gst_element_get_bus(pipeline_);
    const auto types = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS);
    GstMessage* message =
        gst_bus_timed_pop_filtered(bus, static_cast<GstClockTime>(waitMs) * GST_MSECOND, types);
    while (message) {
        QString reason = QStringLiteral("end of stream");
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            reason = QString::fromUtf8(error ? error->message : "error");
            g_clear_error(&error);
        }
        gst_message_unref(message);
        {
            std::lock_guard lock(mutex_);
            if (!ended_) {
                ended_ = true;
                endReason_ = reason;
            }
        }
        message = gst_bus_pop_filtered(bus, types);
    }
    gst_object_unref(bus);
}

int RtspProbe::frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

int RtspProbe::keyFrames() const {
    std::lock_guard lock(mutex_);
    return keyFrames_;
}

int RtspProbe::longestKeyFrameDistance() const {
    std::lock_guard lock(mutex_);
    return longestKeyDistance_;
}

QSize RtspProbe::frameSize() const {
    std::lock_guard lock(mutex_);
    return size_;
}

std::optional<Rgb> RtspProbe::centre() const {
    std::lock_guard lock(mutex_);
    return centre_;
}

QString RtspProbe::endReason() const {
    std::lock_guard lock(mutex_);
    return endReason_;
}

bool RtspProbe::hasEnded() {
    pollBus(0);
    std::lock_guard lock(mutex_);
    return ended_;
}

bool RtspProbe::waitForFrames(int count, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (frames() < count) {
        if (deadline.hasExpired()) {
            return false;
        }
        pollBus(10);
    }
    return true;
}

bool RtspProbe::waitForCentre(const std::function<bool(const Rgb&)>& wanted, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        const auto colour = centre();
        if (colour && wanted(*colour)) {
            return true;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        pollBus(10);
    }
}

bool RtspProbe::waitForEnd(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!hasEnded()) {
        if (deadline.hasExpired()) {
            return false;
        }
        pollBus(10);
    }
    return true;
}

} // namespace rure::test
