#include "PipelineDescription.h"

#include "Picture.h"

#include <gst/gst.h>

#include <sstream>

namespace rure::camera {

namespace {

constexpr guint secondPathColour = 0xff2050d0; // ARGB
constexpr int videoBitrateKbps = 2000;

// A frame rate in caps form: 30 is "30/1", 0.5 is "1/2", 0.2 is "1/5".
std::string frameRateFraction(double fps) {
    gint numerator = 0;
    gint denominator = 1;
    gst_util_double_to_fraction(fps, &numerator, &denominator);
    return std::to_string(numerator) + "/" + std::to_string(denominator);
}

bool isInstalled(const char* name) {
    GstElementFactory* factory = gst_element_factory_find(name);
    if (!factory) {
        return false;
    }
    gst_object_unref(factory);
    return true;
}

// Debian has FFmpeg's AAC encoder in gstreamer1.0-libav and VisualOn's in
// gstreamer1.0-plugins-bad; either will do.
const char* aacEncoder() {
    return !isInstalled("avenc_aac") && isInstalled("voaacenc") ? "voaacenc" : "avenc_aac";
}

struct AudioChain {
    int rate;
    std::string encoder; // with its properties
    const char* payloader;
    const char* payloadType; // empty for the static types of G.711
};

AudioChain audioChain(AudioCodec codec) {
    switch (codec) {
    case AudioCodec::aac:
        return {16000, std::string(aacEncoder()) + " bitrate=32000", "rtpmp4gpay", " pt=97"};
    case AudioCodec::pcmu:
        return {8000, "mulawenc", "rtppcmupay", ""};
    case AudioCodec::pcma:
        return {8000, "alawenc", "rtppcmapay", ""};
    case AudioCodec::none:
        break;
    }
    return {0, "", "", ""};
}

void describeVideo(std::ostringstream& launch, const CameraOptions& options, StreamPath path) {
    launch << "videotestsrc name=" << element::source << " is-live=true ";
    if (path != StreamPath::second) {
        launch << "pattern=" << patternName(Picture::pattern);
        if (options.motion > 0) {
            launch << " horizontal-speed=" << options.motion;
        }
    } else {
        launch << "pattern=solid-color foreground-color=" << secondPathColour;
    }
    // The size filter lets the picture size change while the pipeline runs; the
    // valve sits before the encoder so that a stall starves the encoder instead
    // of cutting the RTP stream mid-frame; no queues, to keep latency low.
    launch << " ! capsfilter name=" << element::size << " caps=\""
           << rawVideoCaps(options,
                           path == StreamPath::small ? options.smallSize : options.pictureSize())
           << "\""
           << " ! valve name=" << element::valve << " drop=false ! videoconvert";
    switch (options.codec) {
    case VideoCodec::h264:
        launch << " ! x264enc name=" << element::encoder
               << " tune=zerolatency speed-preset=ultrafast bitrate=" << videoBitrateKbps
               << " key-int-max=" << options.keyframeDistance() << " byte-stream=true"
               << " ! rtph264pay name=" << element::videoPayloader << " pt=96 config-interval=-1";
        break;
    case VideoCodec::h265:
        // 8-bit 4:2:0 (Main profile) and closed GOPs, whose key frames are all
        // IDR pictures, as cameras send them; x265enc would take 4:4:4 12-bit.
        launch << " ! video/x-raw,format=I420 ! x265enc name=" << element::encoder
               << " tune=zerolatency speed-preset=ultrafast bitrate=" << videoBitrateKbps
               << " key-int-max=" << options.keyframeDistance() << " option-string=open-gop=0"
               << " ! rtph265pay name=" << element::videoPayloader << " pt=96 config-interval=-1";
        break;
    }
}

void describeAudio(std::ostringstream& launch, const CameraOptions& options) {
    const AudioChain chain = audioChain(options.audio);
    // A quiet tone in packets of 20 ms, as cameras send G.711; AAC frames
    // hold 1024 samples whatever the source sends.
    launch << " audiotestsrc is-live=true wave=sine freq=440 volume=0.05 samplesperbuffer="
           << chain.rate / 50 << " ! audio/x-raw,rate=" << chain.rate << ",channels=1"
           << " ! valve name=" << element::audioValve << " drop=false ! audioconvert ! "
           << chain.encoder << " ! " << chain.payloader << " name=" << element::audioPayloader
           << chain.payloadType;
}

} // namespace

std::string rawVideoCaps(const CameraOptions& options, PictureSize size) {
    return "video/x-raw,width=" + std::to_string(size.width) +
           ",height=" + std::to_string(size.height) +
           ",framerate=" + frameRateFraction(options.fps);
}

std::string pipelineDescription(const CameraOptions& options, StreamPath path) {
    std::ostringstream launch;
    launch << "( ";
    describeVideo(launch, options, path);
    if (options.audio != AudioCodec::none) {
        describeAudio(launch, options);
    }
    launch << " )";
    return launch.str();
}

std::vector<std::string> requiredElements(const CameraOptions& options) {
    std::vector<std::string> names{"videotestsrc", "capsfilter", "valve", "videoconvert"};
    switch (options.codec) {
    case VideoCodec::h264:
        names.insert(names.end(), {"x264enc", "rtph264pay"});
        break;
    case VideoCodec::h265:
        names.insert(names.end(), {"x265enc", "rtph265pay"});
        break;
    }
    if (options.audio != AudioCodec::none) {
        const AudioChain chain = audioChain(options.audio);
        const std::string encoder = chain.encoder.substr(0, chain.encoder.find(' '));
        names.insert(names.end(), {"audiotestsrc", "audioconvert", encoder, chain.payloader});
    }
    return names;
}

} // namespace rure::camera
