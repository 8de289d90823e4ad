#include "CameraServer.h"

#include "AnswerDelay.h"
#include "Authentication.h"
#include "PipelineDescription.h"
#include "PlayReport.h"

#include <gst/video/video.h>

#include <ctime>
#include <string>

namespace rure::camera {

namespace {

constexpr const char* listenAddress = "127.0.0.1";
constexpr const char* userRole = "camera-user";
// RTP over UDP: taken pairs are skipped, so parallel cameras share the range.
constexpr guint16 firstUdpPort = 20000;
constexpr guint16 lastUdpPort = 60000;

GstElement* findElement(GstElement* bin, const char* name) {
    return gst_bin_get_by_name(GST_BIN(bin), name);
}

void setDropping(GstElement* valve, bool drop) {
    if (valve) {
        g_object_set(valve, "drop", drop ? TRUE : FALSE, nullptr);
    }
}

std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

GstRTSPFilterResult removeClient(GstRTSPServer*, GstRTSPClient*, gpointer) {
    return GST_RTSP_FILTER_REMOVE;
}

GstRTSPFilterResult removeSession(GstRTSPSessionPool*, GstRTSPSession*, gpointer) {
    return GST_RTSP_FILTER_REMOVE;
}

} // namespace

// The elements of one media pipeline that the controls touch. The media is
// only weakly referenced: it belongs to the RTSP server and dies when its last
// client leaves.
struct CameraServer::Pipeline {
    Pipeline(GstRTSPMedia* owner, StreamPath servedPath, GstElement* bin)
        : path(servedPath), source(findElement(bin, element::source)),
          size(findElement(bin, element::size)), valve(findElement(bin, element::valve)),
          encoder(findElement(bin, element::encoder)),
          audioValve(findElement(bin, element::audioValve)) {
        g_weak_ref_init(&media, owner);
    }
    ~Pipeline() {
        g_weak_ref_clear(&media);
        for (GstElement* element : {source, size, valve, encoder, audioValve}) {
            if (element) {
                gst_object_unref(element);
            }
        }
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    bool alive() {
        GObject* owner = static_cast<GObject*>(g_weak_ref_get(&media));
        if (!owner) {
            return false;
        }
        g_object_unref(owner);
        return true;
    }

    GWeakRef media;
    const StreamPath path;
    GstElement* const source;
    GstElement* const size;
    GstElement* const valve;
    GstElement* const encoder;
    GstElement* const audioValve; // null without audio

    // Stops or lets through the pictures and the sound.
    void setStalled(bool stalled) const {
        setDropping(valve, stalled);
        setDropping(audioValve, stalled);
    }
};

CameraServer::CameraServer(CameraOptions options)
    : options_(std::move(options)),
      stillGate_(options_.stillInterval > 0 ? std::make_shared<StillGate>(options_.stillInterval)
                                            : nullptr),
      clock_(std::make_shared<StreamClock>(options_.clockDriftPpm)), size_(options_.pictureSize()) {
}

CameraServer::~CameraServer() {
    if (cleanupSourceId_ != 0) {
        g_source_remove(cleanupSourceId_);
    }
    if (server_) {
        dropClients();
    }
    if (listenSource_) {
        g_source_destroy(listenSource_);
        g_source_unref(listenSource_);
    }
    if (server_) {
        g_object_unref(server_);
    }
}

GstRTSPMediaFactory* CameraServer::createFactory(const std::string& launch,
                                                 FactoryBinding* binding) {
    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(factory, launch.c_str());
    gst_rtsp_media_factory_set_shared(factory, TRUE);
    // RTP over UDP binds its ports to an address of this pool instead of to
    // every interface.
    GstRTSPAddressPool* pool = gst_rtsp_address_pool_new();
    gst_rtsp_address_pool_add_range(pool, listenAddress, listenAddress, firstUdpPort, lastUdpPort,
                                    0);
    gst_rtsp_media_factory_set_address_pool(factory, pool);
    g_object_unref(pool);
    if (!options_.user.empty()) {
        gst_rtsp_media_factory_add_role(factory, userRole, GST_RTSP_PERM_MEDIA_FACTORY_ACCESS,
                                        G_TYPE_BOOLEAN, TRUE, GST_RTSP_PERM_MEDIA_FACTORY_CONSTRUCT,
                                        G_TYPE_BOOLEAN, TRUE, nullptr);
    }
    g_signal_connect(factory, "media-configure", G_CALLBACK(&CameraServer::onMediaConfigure),
                     binding);
    return factory;
}

std::string CameraServer::listen() {
    server_ = gst_rtsp_server_new();
    gst_rtsp_server_set_address(server_, listenAddress);
    gst_rtsp_server_set_service(server_, std::to_string(options_.port).c_str());

    if (GstRTSPAuth* auth = newAuthentication(options_, userRole)) {
        gst_rtsp_server_set_auth(server_, auth);
        g_object_unref(auth);
    }
    // The timeout watches each request before the delay holds up its answer.
    if (options_.sessionTimeout > 0) {
        sessionTimeout_ = std::make_unique<SessionTimeout>(server_, options_.sessionTimeout);
    }
    delayAnswers(server_, options_.answerDelay);
    reportPlayRequests(server_);

    GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(server_);
    gst_rtsp_mount_points_add_factory(
        mounts, options_.path.c_str(),
        createFactory(pipelineDescription(options_, StreamPath::primary), &primaryBinding_));
    if (!options_.secondPath.empty()) {
        gst_rtsp_mount_points_add_factory(
            mounts, options_.secondPath.c_str(),
            createFactory(pipelineDescription(options_, StreamPath::second), &secondBinding_));
    }
    if (!options_.smallPath.empty()) {
        gst_rtsp_mount_points_add_factory(
            mounts, options_.smallPath.c_str(),
            createFactory(pipelineDescription(options_, StreamPath::small), &smallBinding_));
    }
    g_object_unref(mounts);

    GError* error = nullptr;
    listenSource_ = gst_rtsp_server_create_source(server_, nullptr, &error);
    if (!listenSource_) {
        std::string message = "cannot listen on " + std::string(listenAddress) + ":" +
                              std::to_string(options_.port) + ": " +
                              (error ? error->message : "unknown error");
        g_clear_error(&error);
        return message;
    }
    g_source_attach(listenSource_, nullptr);
    port_ = gst_rtsp_server_get_bound_port(server_);

    // Sessions of clients that vanished without TEARDOWN would otherwise keep
    // their pipelines running until the server ends.
    cleanupSourceId_ = g_timeout_add_seconds(2, &CameraServer::onCleanupSessions, this);
    return {};
}

std::vector<std::string> CameraServer::urls() const {
    std::vector<std::string> result;
    const std::string base = "rtsp://" + std::string(listenAddress) + ":" + std::to_string(port_);
    result.push_back(base + options_.path);
    if (!options_.secondPath.empty()) {
        result.push_back(base + options_.secondPath);
    }
    if (!options_.smallPath.empty()) {
        result.push_back(base + options_.smallPath);
    }
    return result;
}

gboolean CameraServer::onCleanupSessions(gpointer server) {
    GstRTSPSessionPool* pool =
        gst_rtsp_server_get_session_pool(static_cast<CameraServer*>(server)->server_);
    gst_rtsp_session_pool_cleanup(pool);
    g_object_unref(pool);
    return G_SOURCE_CONTINUE;
}

void CameraServer::onMediaConfigure(GstRTSPMediaFactory*, GstRTSPMedia* media, gpointer binding) {
    const auto* factoryBinding = static_cast<const FactoryBinding*>(binding);
    factoryBinding->server->adopt(media, factoryBinding->path);
}

void CameraServer::adopt(GstRTSPMedia* media, StreamPath path) {
    GstElement* bin = gst_rtsp_media_get_element(media);
    auto pipeline = std::make_shared<Pipeline>(media, path, bin);
    for (const char* name : {element::videoPayloader, element::audioPayloader}) {
        if (GstElement* payloader = findElement(bin, name)) {
            StreamClock::attach(clock_, payloader);
            gst_object_unref(payloader);
        }
    }
    gst_object_unref(bin);
    if (stillGate_ && pipeline->encoder) {
        StillGate::attach(stillGate_, pipeline->encoder);
    }

    std::lock_guard lock(mutex_);
    // A client that joins a stalled, switched or resized camera sees the same
    // as the others.
    pipeline->setStalled(stalled_);
    if (path != StreamPath::second && pipeline->source) {
        applyPicture(pipeline->source, picture_);
    }
    if (path != StreamPath::small && pipeline->size && size_ != options_.pictureSize()) {
        applySize(pipeline->size, size_);
    }
    pipelines_.push_back(std::move(pipeline));
}

std::vector<std::shared_ptr<CameraServer::Pipeline>> CameraServer::livePipelines() {
    std::lock_guard lock(mutex_);
    std::erase_if(pipelines_, [](const std::shared_ptr<Pipeline>& p) { return !p->alive(); });
    return pipelines_;
}

void CameraServer::applyPicture(GstElement* source, Picture picture) {
    gst_util_set_object_arg(G_OBJECT(source), "pattern", patternName(picture));
}

void CameraServer::applySize(GstElement* filter, PictureSize size) const {
    // The source follows the new caps at its next picture, the encoder starts
    // afresh with a key frame and new parameter sets in the stream.
    gst_util_set_object_arg(G_OBJECT(filter), "caps", rawVideoCaps(options_, size).c_str());
}

void CameraServer::stall() {
    {
        std::lock_guard lock(mutex_);
        stalled_ = true;
    }
    for (const auto& pipeline : livePipelines()) {
        pipeline->setStalled(true);
    }
}

void CameraServer::resume() {
    {
        std::lock_guard lock(mutex_);
        stalled_ = false;
    }
    for (const auto& pipeline : livePipelines()) {
        pipeline->setStalled(false);
        // Clients that joined during the stall have no reference picture yet.
        if (pipeline->encoder) {
            GstPad* pad = gst_element_get_static_pad(pipeline->encoder, "src");
            if (pad) {
                gst_pad_send_event(
                    pad, gst_video_event_new_upstream_force_key_unit(GST_CLOCK_TIME_NONE, TRUE, 0));
                gst_object_unref(pad);
            }
        }
    }
}

void CameraServer::dropClients() {
    gst_rtsp_server_client_filter(server_, &removeClient, nullptr);
    // A session outlives its connection; removing it stops its stream at once.
    GstRTSPSessionPool* pool = gst_rtsp_server_get_session_pool(server_);
    gst_rtsp_session_pool_filter(pool, &removeSession, nullptr);
    g_object_unref(pool);
}

std::int64_t CameraServer::showPicture(Picture picture) {
    {
        std::lock_guard lock(mutex_);
        picture_ = picture;
    }
    std::int64_t switchedAt = monotonicNanoseconds();
    for (const auto& pipeline : livePipelines()) {
        if (pipeline->path != StreamPath::second && pipeline->source) {
            applyPicture(pipeline->source, picture);
            switchedAt = monotonicNanoseconds();
        }
    }
    return switchedAt;
}

void CameraServer::setStill(bool still) {
    if (stillGate_) {
        stillGate_->setStill(still);
    }
}

void CameraServer::resize(PictureSize size) {
    {
        std::lock_guard lock(mutex_);
        size_ = size;
    }
    for (const auto& pipeline : livePipelines()) {
        if (pipeline->path != StreamPath::small && pipeline->size) {
            applySize(pipeline->size, size);
        }
    }
}

void CameraServer::jumpClock(double seconds) {
    clock_->jump(seconds);
}

} // namespace rure::camera
