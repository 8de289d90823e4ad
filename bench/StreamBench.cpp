// A camera with a main and a small stream (1920 x 1080 and 640 x 360, 30
// frames a second, a key frame every second), shown by the viewer in this
// process on an X display:
//
// - CPU in a 480 x 270 window with the main stream alone, and with the small
//   stream there to be chosen;
// - a switch each way: the other stream's first picture after the change,
//   black samples at the picture's centre meanwhile, and the glass-to-glass
//   latency before and after;
// - the temporary maximum and full screen: which stream plays;
// - slow resizes across the line: how many switches they cause.
//
//   rure-bench-streams [--seconds S] [--switches N] [--motion PIXELS]
//
// --motion scrolls the camera's picture that many pixels a frame: a scene that
// keeps changing, which costs a decoder as a real camera's picture does. The
// still colour bars cost it almost nothing, whatever their size.
#include "BenchSupport.h"
#include "ProcessUsage.h"
#include "ScreenProbe.h"
#include "SoakViewer.h"
#include "SoakWait.h"
#include "support/LogCapture.h"
#include "support/TestCamera.h"
#include "window/ViewerWindow.h"

#include <QApplication>
#include <QRandomGenerator>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

using rure::AppDelegate;
using rure::CameraStream;
using rure::PlaybackSupervisorState;
using rure::bench::median;
using rure::bench::monotonicNanoseconds;
using rure::bench::ProcessUsage;
using rure::bench::ScreenProbe;
using rure::bench::SoakViewer;
using rure::bench::SoakWait;
using rure::test::TestCamera;

constexpr QSize mainSize(1920, 1080);
constexpr QSize smallSize(640, 360);
constexpr QSize smallWindow(480, 270);
constexpr QSize largeWindow(1600, 900);

// Runs the viewer's events until `done`, for at most `seconds`.
bool runUntil(const std::function<bool()>& done, double seconds) {
    return rure::bench::pumpUntil([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 1); },
                                  done, seconds);
}

class StreamRun {
public:
    StreamRun(TestCamera& camera, ScreenProbe& probe) : camera_(camera), probe_(probe) {}

    bool launch(bool withSmallStream) {
        viewer_ = std::make_unique<SoakViewer>();
        const QString small = withSmallStream ? camera_.smallUrl() : QString();
        if (const auto error = viewer_->launch({{QStringLiteral("Bench"), camera_.url(), small}})) {
            std::fprintf(stderr, "the viewer did not start: %s\n", qPrintable(*error));
            return false;
        }
        window().resize(smallWindow);
        return settle(withSmallStream ? smallSize : mainSize);
    }

    AppDelegate& controller() { return viewer_->controller(); }
    rure::ViewerWindow& window() { return *controller().viewerWindow(); }

    int pictureWidth() {
        rure::PlaybackEngine* engine = controller().playback().engine();
        return engine ? static_cast<int>(engine->integerProperty("video-params/w").value_or(0)) : 0;
    }

    // Waits until the stream of `size` plays and its picture is on screen.
    bool settle(QSize size, double seconds = 15) {
        return runUntil(
            [&] {
                return viewer_->supervisor().state() == PlaybackSupervisorState::playing &&
                       pictureWidth() == size.width() && centreColour() &&
                       rure::bench::isColourful(*centreColour());
            },
            seconds);
    }

    std::optional<QRgb> centreColour() {
        const QPoint centre = window().mapToGlobal(window().rect().center());
        return probe_.pixelAt(centre.x(), centre.y());
    }

    double cpuShare(double seconds) {
        SoakWait::pause(2);
        const auto before = ProcessUsage::of(getpid());
        const qint64 from = monotonicNanoseconds();
        SoakWait::pause(seconds);
        const auto after = ProcessUsage::of(getpid());
        const qint64 to = monotonicNanoseconds();
        return before && after ? (after->cpuSeconds - before->cpuSeconds) /
                                     (static_cast<double>(to - from) / 1e9)
                               : -1;
    }

    // Glass-to-glass: the camera turns white, the centre of the window follows.
    double latency(int switches) {
        std::vector<double> seconds;
        for (int i = 0; i < switches; ++i) {
            if (!camera_.showBlack() ||
                !runUntil([&] { return centreColour() && rure::bench::isDark(*centreColour()); },
                          5)) {
                break;
            }
            SoakWait::pause(0.1 + QRandomGenerator::global()->bounded(0.2));
            if (!camera_.showWhite()) {
                break;
            }
            const qint64 switchedAt = camera_.lastSwitchNanoseconds();
            if (!runUntil([&] { return centreColour() && rure::bench::isBright(*centreColour()); },
                          5)) {
                break;
            }
            seconds.push_back(static_cast<double>(monotonicNanoseconds() - switchedAt) / 1e9);
        }
        camera_.showPattern();
        SoakWait::pause(0.5);
        return seconds.empty() ? -1 : median(seconds);
    }

    struct Switch {
        double firstPictureSeconds = -1;
        int blackSamples = 0;
        int samples = 0;
    };

    // Resizes the window and times the other stream's first picture on
    // screen, sampling the centre of the picture until a second after it.
    // Samples before the resized window is first painted do not count: they
    // read the screen behind it.
    Switch switchTo(QSize windowSize, QSize pictureSize) {
        Switch result;
        bool painted = false;
        const auto sample = [&] {
            const std::optional<QRgb> colour = centreColour();
            painted = painted || (colour && rure::bench::isColourful(*colour));
            if (painted) {
                ++result.samples;
                result.blackSamples += colour && rure::bench::isDark(*colour) ? 1 : 0;
            }
        };
        const qint64 from = monotonicNanoseconds();
        window().resize(windowSize);
        const bool shown = runUntil(
            [&] {
                sample();
                return pictureWidth() == pictureSize.width() && viewer_->presentedFrameWithin(0.1);
            },
            10);
        if (shown) {
            result.firstPictureSeconds = static_cast<double>(monotonicNanoseconds() - from) / 1e9;
        }
        runUntil(
            [&] {
                sample();
                return false;
            },
            1);
        return result;
    }

    CameraStream stream() const { return viewer_->supervisor().playingStream(); }

private:
    TestCamera& camera_;
    ScreenProbe& probe_;
    std::unique_ptr<SoakViewer> viewer_;
};

const char* name(CameraStream stream) {
    return stream == CameraStream::small ? "small" : "main";
}

int switchesSince(const rure::test::LogCapture& log, qsizetype from) {
    int count = 0;
    const QStringList texts = log.texts();
    for (qsizetype i = from; i < texts.size(); ++i) {
        count += texts[i].startsWith(QStringLiteral("Switching camera index")) ? 1 : 0;
    }
    return count;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const double seconds = rure::bench::optionValue(arguments, QStringLiteral("--seconds"), 20);
    const int switches =
        static_cast<int>(rure::bench::optionValue(arguments, QStringLiteral("--switches"), 5));
    const int motion =
        static_cast<int>(rure::bench::optionValue(arguments, QStringLiteral("--motion"), 0));

    std::optional<ScreenProbe> probe = ScreenProbe::openBlackened();
    if (!probe) {
        return 1;
    }
    TestCamera camera;
    TestCamera::Options options;
    options.width = mainSize.width();
    options.height = mainSize.height();
    options.secondPath.clear();
    options.smallPath = QStringLiteral("/small");
    options.smallSize = QStringLiteral("640x360");
    options.extraArguments = {QStringLiteral("--motion"), QString::number(motion)};
    if (!camera.start(options)) {
        std::fprintf(stderr, "the test camera did not start\n");
        return 1;
    }
    rure::test::LogCapture log;

    std::printf("camera: main %dx%d, small %dx%d, 30 fps, key frame every second, %s\n",
                mainSize.width(), mainSize.height(), smallSize.width(), smallSize.height(),
                motion > 0 ? qPrintable(QStringLiteral("scrolling %1 px a frame").arg(motion))
                           : "still colour bars");
    std::printf("window: %dx%d; CPU over %.0f s, latency median of %d\n\n", smallWindow.width(),
                smallWindow.height(), seconds, switches);

    double mainOnlyCpu = -1;
    {
        StreamRun run(camera, *probe);
        if (!run.launch(false)) {
            std::fprintf(stderr, "the main stream did not play\n");
            return 1;
        }
        mainOnlyCpu = run.cpuShare(seconds);
    }
    StreamRun run(camera, *probe);
    if (!run.launch(true)) {
        std::fprintf(stderr, "the small stream did not play\n");
        return 1;
    }
    const double smallCpu = run.cpuShare(seconds);
    std::printf("CPU, main stream alone:      %5.1f %% of a core\n", mainOnlyCpu * 100);
    std::printf("CPU, small stream chosen:    %5.1f %% of a core (%.1fx lower)\n\n", smallCpu * 100,
                smallCpu > 0 ? mainOnlyCpu / smallCpu : 0.0);

    const double smallLatency = run.latency(switches);
    const StreamRun::Switch up = run.switchTo(largeWindow, mainSize);
    const double mainLatency = run.latency(switches);
    const StreamRun::Switch down = run.switchTo(smallWindow, smallSize);
    const double smallLatencyAfter = run.latency(switches);
    std::printf("switch            first picture  black samples  latency before  after\n");
    std::printf("small -> main     %9.3f s   %5d of %-5d  %10.3f s  %6.3f s\n",
                up.firstPictureSeconds, up.blackSamples, up.samples, smallLatency, mainLatency);
    std::printf("main -> small     %9.3f s   %5d of %-5d  %10.3f s  %6.3f s\n\n",
                down.firstPictureSeconds, down.blackSamples, down.samples, mainLatency,
                smallLatencyAfter);

    run.controller().toggleTemporaryMaximum();
    run.settle(mainSize, 5);
    std::printf("temporary maximum: %s stream\n", name(run.stream()));
    run.controller().toggleTemporaryMaximum();
    run.settle(smallSize, 5);
    run.controller().toggleFullScreen();
    run.settle(mainSize, 5);
    std::printf("full screen:       %s stream\n", name(run.stream()));
    run.controller().toggleFullScreen();
    run.settle(smallSize, 5);
    std::printf("back in the small window: %s stream\n\n", name(run.stream()));

    // Slowly up and down across the line, 8 pixels of width every 40 ms.
    for (const bool growing : {true, false}) {
        const qsizetype from = log.texts().size();
        const QSize start = growing ? smallWindow : largeWindow;
        const QSize end = growing ? largeWindow : smallWindow;
        const int steps = (largeWindow.width() - smallWindow.width()) / 8;
        for (int step = 1; step <= steps; ++step) {
            const int width = start.width() + (end.width() - start.width()) * step / steps;
            run.window().resize(width, width * 9 / 16);
            SoakWait::pause(0.04);
        }
        SoakWait::pause(2);
        std::printf("slow resize %dx%d -> %dx%d: %d switch(es), now the %s stream\n", start.width(),
                    start.height(), end.width(), end.height(), switchesSince(log, from),
                    name(run.stream()));
    }
    return 0;
}
