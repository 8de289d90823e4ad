// Where one picture's time goes, in Rure and in a GStreamer low-latency
// pipeline, on one X display: the camera (1280 x 720, 30 frames a second, a
// key frame every second) turns from black to white, and the white picture is
// timed at each stage of its way, from the moment the camera's source turned:
//
//   packet    its last RTP packet (the marker) reached the player's socket,
//             seen by a relay on the loopback between camera and player;
//   decoded   Rure: the engine told the view it has a new picture;
//             pipeline: the decoder put out the white picture;
//   drawn     Rure: the view drew it and handed it to the window system;
//             pipeline: the picture reached the sink, which puts it on the
//             window at once (sync=false);
//   on screen the centre of the window read white off the screen.
//
//   rure-bench-stages [--switches N] [--codec h264|h265] [--audio aac|pcmu|pcma]
//
// Both players run in this process, one after the other, against the same
// camera and relay.
#include "BenchSupport.h"
#include "RtspTap.h"
#include "ScreenProbe.h"
#include "SoakViewer.h"
#include "engine/MPVPictureView.h"
#include "support/TestCamera.h"
#include "viewer/ViewerWindowSide.h"

#include <gst/gst.h>
#include <gst/video/video.h>

#include <QApplication>
#include <QRandomGenerator>
#include <QThread>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <functional>
#include <thread>
#include <unistd.h>

namespace {

using rure::bench::median;
using rure::bench::monotonicNanoseconds;
using rure::bench::pumpUntil;
using rure::bench::RtspTap;
using rure::bench::ScreenProbe;
using rure::test::TestCamera;

// A white picture after a black one is coded in a few hundred bytes at least;
// a black one repeated, in a few dozen.
constexpr std::size_t changedPictureBytes = 300;

// One white picture's way, in nanoseconds after the camera's switch.
struct Stages {
    std::vector<double> packet, decoded, drawn, screen;
};

// The stages a player reports from inside; written on whichever thread sees
// them, read once the picture is on screen.
struct Marks {
    std::atomic<bool> waiting{false};
    std::atomic<std::int64_t> decoded{0};
    std::atomic<std::int64_t> drawn{0};
    void arm() {
        decoded = 0;
        drawn = 0;
        waiting = true;
    }
};

// Polls the screen at `centre` on a thread of its own (the GUI thread is busy
// drawing) until it reads white.
class ScreenWatch {
public:
    explicit ScreenWatch(QPoint centre)
        : thread_([this, centre] {
              std::optional<ScreenProbe> probe = ScreenProbe::open();
              const qint64 deadline = monotonicNanoseconds() + 5'000'000'000;
              while (probe && !stop_ && monotonicNanoseconds() < deadline) {
                  const std::optional<QRgb> colour = probe->pixelAt(centre.x(), centre.y());
                  if (colour && rure::bench::isBright(*colour)) {
                      seen_ = monotonicNanoseconds();
                      return;
                  }
                  usleep(500);
              }
          }) {}
    ~ScreenWatch() {
        stop_ = true;
        thread_.join();
    }
    std::int64_t seen() const { return seen_; }
    bool done() const { return seen_ != 0; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> seen_{0};
    std::thread thread_;
};

bool centreIsDark(ScreenProbe& probe, QPoint centre) {
    const std::optional<QRgb> colour = probe.pixelAt(centre.x(), centre.y());
    return colour && rure::bench::isDark(*colour);
}

// Black, then white, `switches` times; each white picture timed at every stage.
Stages timeSwitches(TestCamera& camera, RtspTap& tap, ScreenProbe& probe, QPoint centre,
                    Marks& marks, const std::function<void()>& pump, int switches) {
    Stages stages;
    for (int i = 0; i < switches; ++i) {
        if (!camera.showBlack() || !pumpUntil(
                                       pump, [&] { return centreIsDark(probe, centre); }, 10)) {
            std::fprintf(stderr, "    the picture did not turn black\n");
            break;
        }
        const double pause = 0.1 + QRandomGenerator::global()->bounded(0.2);
        pumpUntil(
            pump, [] { return false; }, pause);
        marks.arm();
        ScreenWatch watch(centre);
        if (!camera.showWhite()) {
            break;
        }
        const std::int64_t switchedAt = camera.lastSwitchNanoseconds();
        const bool seen = pumpUntil(
            pump, [&] { return watch.done() && marks.drawn != 0; }, 5);
        marks.waiting = false;
        const std::optional<std::int64_t> packet =
            tap.lastPacketOfPictureAfter(switchedAt, changedPictureBytes);
        if (!seen || !packet || marks.decoded == 0) {
            std::fprintf(stderr, "    switch %d not timed at every stage\n", i + 1);
            continue;
        }
        const auto after = [switchedAt](std::int64_t at) {
            return static_cast<double>(at - switchedAt) / 1e6;
        };
        stages.packet.push_back(after(*packet));
        stages.decoded.push_back(after(marks.decoded));
        stages.drawn.push_back(after(marks.drawn));
        stages.screen.push_back(after(watch.seen()));
    }
    return stages;
}

bool isWhite(const QImage& picture) {
    return !picture.isNull() &&
           rure::bench::isBright(picture.pixel(picture.width() / 2, picture.height() / 2));
}

Stages timeRure(TestCamera& camera, RtspTap& tap, ScreenProbe& probe, int switches) {
    rure::bench::SoakViewer viewer;
    if (const auto failure =
            viewer.launch({{QStringLiteral("Bench"), tap.relayed(camera.url())}})) {
        std::fprintf(stderr, "Rure did not launch: %s\n", qPrintable(*failure));
        return {};
    }
    const auto pump = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 1); };
    if (!pumpUntil(
            pump, [&] { return viewer.presentedFrameWithin(0.5); }, 30)) {
        std::fprintf(stderr, "Rure showed no picture\n");
        return {};
    }
    auto* view =
        dynamic_cast<rure::MPVPictureView*>(viewer.controller().windowSide().picture().widget);
    const std::optional<QPoint> centre = viewer.windowCentre();
    if (view == nullptr || !centre) {
        std::fprintf(stderr, "Rure draws with OpenGL here; run with RURE_VIDEO_VIEW=software\n");
        return {};
    }
    Marks marks;
    // Called once each new picture is painted and handed to the window system.
    const std::function<void()> heartbeat = view->frameRenderedHandler();
    view->setFrameRenderedHandler([&marks, view, heartbeat] {
        if (marks.waiting && marks.drawn == 0 && isWhite(view->picture())) {
            marks.drawn = monotonicNanoseconds();
            marks.decoded = view->lastEngineUpdateNanoseconds();
        }
        if (heartbeat) {
            heartbeat();
        }
    });
    return timeSwitches(camera, tap, probe, *centre, marks, pump, switches);
}

// The decoder's picture, white at its centre.
bool isWhite(GstPad* pad, GstBuffer* buffer) {
    GstCaps* caps = gst_pad_get_current_caps(pad);
    GstVideoInfo info;
    const bool known = caps != nullptr && gst_video_info_from_caps(&info, caps);
    if (caps != nullptr) {
        gst_caps_unref(caps);
    }
    GstVideoFrame frame;
    if (!known || !gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return false;
    }
    const auto* luma = static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const bool white = luma[(info.height / 2) * stride + info.width / 2] > 200;
    gst_video_frame_unmap(&frame);
    return white;
}

struct PipelineMarks {
    Marks* marks;
    std::atomic<GstClockTime> whitePts{GST_CLOCK_TIME_NONE};
};

GstPadProbeReturn onDecoded(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto* marks = static_cast<PipelineMarks*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (marks->marks->waiting && marks->marks->decoded == 0 && isWhite(pad, buffer)) {
        marks->marks->decoded = monotonicNanoseconds();
        marks->whitePts = GST_BUFFER_PTS(buffer);
    }
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn onReachedSink(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* marks = static_cast<PipelineMarks*>(data);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (marks->marks->waiting && marks->marks->drawn == 0 && marks->marks->decoded != 0 &&
        GST_BUFFER_PTS(buffer) == marks->whitePts) {
        marks->marks->drawn = monotonicNanoseconds();
    }
    return GST_PAD_PROBE_OK;
}

void probe(GstElement* pipeline, const char* element, const char* padName,
           GstPadProbeCallback callback, PipelineMarks& marks) {
    GstElement* found = gst_bin_get_by_name(GST_BIN(pipeline), element);
    GstPad* pad = gst_element_get_static_pad(found, padName);
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, callback, &marks, nullptr);
    gst_object_unref(pad);
    gst_object_unref(found);
}

Stages timePipeline(TestCamera& camera, RtspTap& tap, ScreenProbe& probe, int switches,
                    const QString& codec) {
    const QString description =
        QStringLiteral("rtspsrc location=%1 latency=0 protocols=tcp ! rtp%2depay ! "
                       "avdec_%2 name=decoder ! videoconvert ! ximagesink name=sink sync=false")
            .arg(tap.relayed(camera.url()), codec);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (pipeline == nullptr) {
        std::fprintf(stderr, "no pipeline: %s\n", error ? error->message : "?");
        g_clear_error(&error);
        return {};
    }
    Marks marks;
    PipelineMarks pipelineMarks{&marks};
    ::probe(pipeline, "decoder", "src", &onDecoded, pipelineMarks);
    ::probe(pipeline, "sink", "sink", &onReachedSink, pipelineMarks);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    // ximagesink opens a window of the picture's size in the screen's corner.
    const QPoint centre(640, 360);
    const auto pump = [] { QThread::usleep(500); };
    Stages stages;
    const auto colourful = [&] {
        const std::optional<QRgb> colour = probe.pixelAt(centre.x(), centre.y());
        return colour && rure::bench::isColourful(*colour);
    };
    if (pumpUntil(pump, colourful, 30)) {
        stages = timeSwitches(camera, tap, probe, centre, marks, pump, switches);
    } else {
        std::fprintf(stderr, "the pipeline showed no picture\n");
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return stages;
}

QString row(const char* title, const std::vector<double>& rure, const std::vector<double>& pipe) {
    const auto cell = [](const std::vector<double>& values) {
        return values.empty() ? QStringLiteral("-").rightJustified(10)
                              : QString::number(median(values), 'f', 1).rightJustified(10);
    };
    return QStringLiteral("  %1%2%3\n")
        .arg(QString::fromLatin1(title).leftJustified(44), cell(rure), cell(pipe));
}

std::vector<double> differences(const std::vector<double>& later,
                                const std::vector<double>& earlier) {
    std::vector<double> result;
    for (size_t i = 0; i < later.size() && i < earlier.size(); ++i) {
        result.push_back(later[i] - earlier[i]);
    }
    return result;
}

} // namespace

int main(int argc, char* argv[]) {
    gst_init(&argc, &argv);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setOrganizationName(QStringLiteral("didirezoror"));
    QApplication::setApplicationName(QStringLiteral("rure"));
    const int switches =
        std::max(1, static_cast<int>(rure::bench::optionValue(application.arguments(),
                                                              QStringLiteral("--switches"), 10)));
    std::optional<ScreenProbe> probe = ScreenProbe::openBlackened();
    if (!probe) {
        return 1;
    }
    // --codec h265 plays the camera's H.265 instead of its H.264.
    const qsizetype codecAt = application.arguments().indexOf(QStringLiteral("--codec"));
    const QString codec = codecAt >= 0 && codecAt + 1 < application.arguments().size()
                              ? application.arguments().at(codecAt + 1)
                              : QStringLiteral("h264");
    if (codec != QStringLiteral("h264") && codec != QStringLiteral("h265")) {
        std::fprintf(stderr, "--codec is h264 or h265\n");
        return 1;
    }
    TestCamera::Options options = rure::bench::comparisonCamera();
    options.extraArguments = {QStringLiteral("--codec"), codec};
    // --audio aac (or pcmu, pcma) adds the camera's sound track, which the
    // players leave aside.
    if (const qsizetype audioAt = application.arguments().indexOf(QStringLiteral("--audio"));
        audioAt >= 0 && audioAt + 1 < application.arguments().size()) {
        options.extraArguments << QStringLiteral("--audio")
                               << application.arguments().at(audioAt + 1);
    }
    TestCamera camera;
    if (!camera.start(options)) {
        std::fprintf(stderr, "the test camera did not start\n");
        return 1;
    }
    RtspTap tap(static_cast<quint16>(camera.port()), codec == QStringLiteral("h265"));
    if (!tap.isListening()) {
        std::fprintf(stderr, "the relay could not listen\n");
        return 1;
    }
    std::fprintf(stderr, "Rure ...\n");
    const Stages rure = timeRure(camera, tap, *probe, switches);
    camera.showPattern();
    std::fprintf(stderr, "GStreamer pipeline ...\n");
    const Stages pipe = timePipeline(camera, tap, *probe, switches, codec);

    QString table = QStringLiteral("One picture's way: medians over %1 black-to-white switches "
                                   "(Rure n=%2, pipeline n=%3), %4 1280x720 at 30 fps\n\n")
                        .arg(switches)
                        .arg(rure.screen.size())
                        .arg(pipe.screen.size())
                        .arg(codec == QStringLiteral("h265") ? QStringLiteral("H.265")
                                                             : QStringLiteral("H.264"));
    table += QStringLiteral("  %1%2%3\n")
                 .arg(QStringLiteral("ms after the camera's source turned white").leftJustified(44),
                      QStringLiteral("Rure").rightJustified(10),
                      QStringLiteral("pipeline").rightJustified(10));
    table += row("last packet at the player", rure.packet, pipe.packet);
    table += row("decoded", rure.decoded, pipe.decoded);
    table += row("drawn", rure.drawn, pipe.drawn);
    table += row("on screen", rure.screen, pipe.screen);
    table += QStringLiteral("\n  each stage alone (ms)\n");
    table += row("camera: encoded and sent", rure.packet, pipe.packet);
    table += row("packet to decoded", differences(rure.decoded, rure.packet),
                 differences(pipe.decoded, pipe.packet));
    table += row("decoded to drawn", differences(rure.drawn, rure.decoded),
                 differences(pipe.drawn, pipe.decoded));
    table += row("drawn to on screen", differences(rure.screen, rure.drawn),
                 differences(pipe.screen, pipe.drawn));
    const QByteArray text = table.toUtf8();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    return rure.screen.empty() || pipe.screen.empty() ? 1 : 0;
}
