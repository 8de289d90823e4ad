#include "SoakRunner.h"

#include "SoakWait.h"

#include <algorithm>
#include <array>

namespace rure::bench {

namespace {

// The viewer's back-off slots and the most jitter it adds to one, as its
// playback supervision defines them; needed only when an attempt is under way
// at the moment the camera returns (its failure would cost the next slot).
constexpr std::array<double, 7> backOffSlots{0.5, 1.0, 2.0, 4.0, 8.0, 15.0, 30.0};
constexpr double maximumJitter = 0.35;
constexpr double connectAllowance = 1.0;
// A camera that goes quiet without ending its stream is noticed by the viewer's
// watchdog only: after the supervisor's silence limit for that camera (3 to
// 10 s), checked every half second.
constexpr double watchdogPeriod = 0.5;
// How long past slot + 1 s the soak still waits for a picture before it notes
// the fault as not recovered and goes on.
constexpr double patience = 60.0;
constexpr double firstPictureTimeout = 30.0;
constexpr double pictureChangeTimeout = 10.0;
constexpr double sleepNoticeTimeout = 5.0;
constexpr int latencySamples = 7;
constexpr double quietSeconds = 60.0;
// Half a second without a frame is no live picture from a camera of 30 frames
// a second; camera B, a smart camera, sends one every 2 s while nothing moves,
// and its picture is live as long as those come.
constexpr std::array<double, 2> liveFrameAge{0.5, 2.5};
// The longest each camera waits between two pictures (B's while still): a
// new session's first picture may be that far away.
constexpr std::array<double, 2> pictureInterval{0.0, 2.0};
constexpr double heldCheckDelay = 2.0;
constexpr double heldCheckWindow = 1.0;

const QString framesResumed = QStringLiteral("Live video frames resumed for player generation");

std::optional<double> secondsSince(SoakClock::time_point from,
                                   const std::optional<SoakClock::time_point>& to) {
    if (!to) {
        return std::nullopt;
    }
    return secondsBetween(from, *to);
}

QString cameraName(int camera) {
    return camera == 0 ? QStringLiteral("A") : QStringLiteral("B");
}

} // namespace

SoakRunner::SoakRunner(int minutes, std::uint32_t seed) : minutes_(minutes), plan_(seed) {
    report_.seed = seed;
    report_.minutes = minutes;
    ticks_.setInterval(100);
    QObject::connect(&ticks_, &QTimer::timeout, &ticks_, [this] { tick(); });
}

SoakRunner::~SoakRunner() {
    ticks_.stop();
}

bool SoakRunner::setUp() {
    if (!watch_.isWatching()) {
        report_.problems << QStringLiteral("no X display to read the picture from");
        return false;
    }
    // Two cameras from the zoo, as people own them: A sends H.265 with an AAC
    // sound track and a key frame every 2 s; B sends H.264 with G.711 sound
    // and is a "smart" camera, one picture every 2 s for 40 s after each 20 s
    // of 30 a second.
    test::TestCameraOptions options;
    options.width = 640;
    options.height = 360;
    options.fps = 30;
    options.secondPath.clear();
    const std::array<QStringList, SoakCameras::count> zoo{
        QStringList{QStringLiteral("--codec"), QStringLiteral("h265"), QStringLiteral("--audio"),
                    QStringLiteral("aac"), QStringLiteral("--keyframe-interval"),
                    QStringLiteral("2")},
        QStringList{QStringLiteral("--audio"), QStringLiteral("pcmu"),
                    QStringLiteral("--still-interval"), QStringLiteral("2"),
                    QStringLiteral("--smart-schedule"), QStringLiteral("20:40")}};
    report_.cameras = QStringLiteral("two test cameras (two processes), %1x%2 at %3 fps: A %4; "
                                     "B %5")
                          .arg(options.width)
                          .arg(options.height)
                          .arg(options.fps)
                          .arg(zoo[0].join(' '), zoo[1].join(' '));
    for (int camera = 0; camera < SoakCameras::count; ++camera) {
        options.extraArguments = zoo[static_cast<size_t>(camera)];
        if (!cameras_.start(camera, options)) {
            report_.problems << QStringLiteral("camera %1 did not start").arg(cameraName(camera));
            return false;
        }
    }
    SoakTimeline::progress(QStringLiteral("cameras A and B serve"));

    if (const auto error = viewer_.launch({Camera{QStringLiteral("Soak A"), cameras_.url(0)},
                                           Camera{QStringLiteral("Soak B"), cameras_.url(1)}})) {
        report_.problems << QStringLiteral("the viewer did not launch: %1").arg(*error);
        return false;
    }
    lastTick_ = SoakClock::now();
    ticks_.start();
    selected_ = 0;
    if (!SoakWait::until([this] { return watch_.current() == SoakShade::bars; },
                         firstPictureTimeout)) {
        report_.problems << QStringLiteral("no picture of camera A within %1 s (the window centre "
                                           "shows %2, #%3)")
                                .arg(firstPictureTimeout)
                                .arg(shadeName(watch_.current()))
                                .arg(watch_.currentColour() & 0xffffff, 6, 16, QLatin1Char('0'));
        return false;
    }
    cameraUp_ = true;
    SoakTimeline::progress(QStringLiteral("the viewer shows camera A"));
    return true;
}

bool SoakRunner::run() {
    SoakTimeline::begin();
    SoakTimeline::progress(
        QStringLiteral("soak of %1 minutes, seed %2").arg(minutes_).arg(report_.seed));
    if (!setUp()) {
        report_.interrupted = SoakWait::stopRequested();
        return false;
    }
    measureLatency(report_.firstLatencies);
    waitUntilRunSecond(quietSeconds);

    const double faultsEnd = minutes_ * 60.0 - quietSeconds;
    while (!SoakWait::stopRequested()) {
        const double pause = plan_.nextPause();
        if (SoakTimeline::now() + pause >= faultsEnd) {
            break;
        }
        SoakTimeline::progress(QStringLiteral("next fault in %1 s").arg(pause, 0, 'f', 1));
        if (!SoakWait::pause(pause)) {
            break;
        }
        const std::optional<SoakFault> fault = plan_.next(faultsEnd - SoakTimeline::now());
        if (!fault) {
            break;
        }
        runFault(*fault);
    }

    waitUntilRunSecond(minutes_ * 60.0 - quietSeconds);
    measureLatency(report_.lastLatencies);
    waitUntilRunSecond(minutes_ * 60.0);
    const SoakProcessSample end = footprint();
    if (!report_.samples.empty() && end.seconds - report_.samples.back().seconds < 1.0) {
        report_.samples.back() = end;
    } else {
        report_.samples.push_back(end);
    }
    report_.interrupted = SoakWait::stopRequested();
    return true;
}

bool SoakRunner::waitUntilRunSecond(double second) {
    return SoakWait::pause(std::max(0.0, second - SoakTimeline::now()));
}

void SoakRunner::measureLatency(std::vector<double>& into) {
    watch_.setFinePace(true);
    for (int i = 0; i < latencySamples && !SoakWait::stopRequested(); ++i) {
        const SoakCameraResult black = cameras_.showBlack(selected_);
        if (!black.ok ||
            !SoakWait::until(
                [&] { return watch_.firstShownSince(SoakShade::black, black.at).has_value(); },
                pictureChangeTimeout)) {
            report_.problems << QStringLiteral("latency sample at %1 s: the picture did not turn "
                                               "black")
                                    .arg(SoakTimeline::now(), 0, 'f', 1);
            continue;
        }
        // A moment of black, so that the switch to white is a fresh change.
        SoakWait::pause(0.3);
        const SoakCameraResult white = cameras_.showWhite(selected_);
        if (!white.ok || white.switchNanoseconds < 0) {
            report_.problems << QStringLiteral("latency sample at %1 s: the camera did not switch")
                                    .arg(SoakTimeline::now(), 0, 'f', 1);
            continue;
        }
        const SoakClock::time_point switchedAt =
            SoakTimeline::fromMonotonicNanoseconds(white.switchNanoseconds);
        if (!SoakWait::until(
                [&] { return watch_.firstShownSince(SoakShade::white, switchedAt).has_value(); },
                pictureChangeTimeout)) {
            report_.problems << QStringLiteral("latency sample at %1 s: the picture did not turn "
                                               "white")
                                    .arg(SoakTimeline::now(), 0, 'f', 1);
            continue;
        }
        into.push_back(
            secondsBetween(switchedAt, *watch_.firstShownSince(SoakShade::white, switchedAt)));
    }
    watch_.setFinePace(false);
    QStringList figures;
    for (const double latency : into) {
        figures << QString::number(latency * 1000.0, 'f', 0);
    }
    if (!figures.isEmpty()) {
        SoakTimeline::progress(
            QStringLiteral("glass-to-glass latency (ms): %1").arg(figures.join(' ')));
    }
}

bool SoakRunner::prepareFault() {
    // White now and colour bars after the fault: the bars can only come from a
    // frame sent after the camera returned.
    const SoakCameraResult white = cameras_.showWhite(selected_);
    return white.ok &&
           SoakWait::until(
               [&] { return watch_.firstShownSince(SoakShade::white, white.at).has_value(); },
               pictureChangeTimeout);
}

SoakRunner::Slot SoakRunner::slotNow(SoakClock::time_point down) const {
    const PlaybackSupervisor& viewer = viewer_.supervisor();
    if (viewer.hasPendingRecovery()) {
        if (const auto recovery = log_.lastRecoveryAtOrBefore(SoakClock::now())) {
            return {recovery->delaySeconds, QStringLiteral("pending: ") + recovery->text};
        }
    }
    const PlaybackSupervisorState state = viewer.state();
    if (state == PlaybackSupervisorState::playing) {
        // Back before the watchdog noticed: the recovery waits for the notice,
        // then for the first slot. The silence on screen starts with the last
        // frame shown, which trails the camera by the picture's delay.
        const SoakClock::time_point quiet = viewer.lastFrameRenderedAt().value_or(down);
        const double stallNoticedWithin = viewer.silenceLimitSeconds() + watchdogPeriod;
        const double notice =
            std::max(0.0, stallNoticedWithin - secondsBetween(quiet, SoakClock::now()));
        const double first = backOffSlots.front() + maximumJitter;
        return {notice + first,
                QStringLiteral("the viewer still counted the stream as playing: a stall is "
                               "noticed at most %1 s after the last frame shown (%2 s from now), "
                               "then the first slot of at most %3 s")
                    .arg(stallNoticedWithin, 0, 'f', 1)
                    .arg(notice, 0, 'f', 2)
                    .arg(first, 0, 'f', 2)};
    }
    const int64_t attempts = viewer.retryCount();
    const double next = backOffSlots[static_cast<size_t>(std::min<int64_t>(
                            attempts, static_cast<int64_t>(backOffSlots.size()) - 1))] +
                        maximumJitter;
    return {next, QStringLiteral("an attempt under way (state %1 after %2 recoveries); should it "
                                 "fail, the next slot is at most %3 s")
                      .arg(textValue(state))
                      .arg(attempts)
                      .arg(next, 0, 'f', 2)};
}

void SoakRunner::measureReturn(SoakFaultOutcome& outcome, SoakClock::time_point back) {
    outcome.pictureInterval = pictureInterval[static_cast<std::size_t>(selected_)];
    const double limit =
        outcome.slotSeconds + connectAllowance + outcome.pictureInterval + patience;
    SoakWait::until([&] { return watch_.firstShownSince(SoakShade::bars, back).has_value(); },
                    std::max(0.0, limit - secondsBetween(back, SoakClock::now())));
    outcome.picture = secondsSince(back, watch_.firstShownSince(SoakShade::bars, back));
    outcome.viewer = secondsSince(back, log_.firstArrival(framesResumed, back));
    if (!outcome.picture) {
        outcome.gaveUpAfter = secondsBetween(back, SoakClock::now());
        return;
    }
    // One fresh frame is not yet a live picture: frames must still come a
    // couple of seconds later.
    SoakWait::pause(
        std::max(0.0, *outcome.picture + heldCheckDelay - secondsBetween(back, SoakClock::now())));
    outcome.stayedLive =
        SoakWait::until([this] { return viewer_.presentedFrameWithin(0.05); }, heldCheckWindow);
}

void SoakRunner::runFault(const SoakFault& fault) {
    SoakFaultOutcome outcome;
    outcome.number = static_cast<int>(report_.faults.size()) + 1;
    outcome.fault = fault;
    outcome.liveBefore = prepareFault();
    outcome.startedAt = SoakTimeline::now();
    SoakTimeline::progress(QStringLiteral("fault %1: %2 of camera %3 (%4 s)%5")
                               .arg(outcome.number)
                               .arg(faultName(fault.kind), cameraName(selected_))
                               .arg(fault.seconds, 0, 'f', 1)
                               .arg(outcome.liveBefore
                                        ? QString()
                                        : QStringLiteral("; the picture was not live before")));
    const int camera = selected_;
    switch (fault.kind) {
    case SoakFaultKind::powerLoss:
    case SoakFaultKind::longOutage: {
        const SoakClock::time_point down = SoakClock::now();
        cameras_.kill(camera);
        cameraUp_ = false;
        SoakWait::pause(fault.seconds);
        SoakCameraResult back = cameras_.restart(camera);
        for (int retry = 0; !back.ok && retry < 2 && !SoakWait::stopRequested(); ++retry) {
            back = cameras_.restart(camera);
        }
        cameraUp_ = true;
        if (!back.ok) {
            report_.problems << QStringLiteral("fault %1: camera %2 did not start again")
                                    .arg(outcome.number)
                                    .arg(cameraName(camera));
            back.at = SoakClock::now();
        }
        SoakTimeline::progress(QStringLiteral("camera %1 is back").arg(cameraName(camera)));
        const Slot slot = slotNow(down);
        outcome.slotSeconds = slot.seconds;
        outcome.slotText = slot.text;
        measureReturn(outcome, back.at);
        break;
    }
    case SoakFaultKind::stall: {
        const SoakClock::time_point down = SoakClock::now();
        cameras_.stall(camera);
        cameraUp_ = false;
        SoakWait::pause(fault.seconds);
        // Set while no frame flows; the first frame after the stall shows it.
        cameras_.showBars(camera);
        const SoakCameraResult back = cameras_.resume(camera);
        cameraUp_ = true;
        SoakTimeline::progress(QStringLiteral("camera %1 resumed").arg(cameraName(camera)));
        const Slot slot = slotNow(down);
        outcome.slotSeconds = slot.seconds;
        outcome.slotText = slot.text;
        measureReturn(outcome, back.ok ? back.at : SoakClock::now());
        break;
    }
    case SoakFaultKind::sleep: {
        viewer_.announceSleep(true);
        asleep_ = true;
        if (!SoakWait::until([this] { return viewer_.supervisor().hold().sleeping; },
                             sleepNoticeTimeout)) {
            report_.problems << QStringLiteral("fault %1: the viewer did not notice the sleep")
                                    .arg(outcome.number);
        }
        SoakWait::pause(fault.seconds);
        cameras_.showBars(camera);
        const SoakClock::time_point back = SoakClock::now();
        viewer_.announceSleep(false);
        asleep_ = false;
        // The wake schedules a recovery of its own at once; that is the slot.
        outcome.slotSeconds = backOffSlots.front() + maximumJitter;
        measureReturn(outcome, back);
        const SoakClock::time_point until =
            outcome.picture ? back + std::chrono::duration_cast<SoakClock::duration>(
                                         std::chrono::duration<double>(*outcome.picture))
                            : SoakClock::now();
        if (const auto recovery = log_.firstRecoveryBetween(back, until)) {
            outcome.slotSeconds = recovery->delaySeconds;
            outcome.slotText = QStringLiteral("after the wake: ") + recovery->text;
        } else {
            outcome.slotText = QStringLiteral("the wake scheduled no recovery; assumed the "
                                              "immediate slot at most");
        }
        break;
    }
    case SoakFaultKind::cameraSwitch: {
        const int target = other(camera);
        cameras_.showBars(target);
        const SoakClock::time_point back = SoakClock::now();
        viewer_.selectCamera(target);
        selected_ = target;
        outcome.slotSeconds = 0;
        outcome.slotText = QStringLiteral("none; a switch loads the camera at once");
        measureReturn(outcome, back);
        break;
    }
    }
    SoakTimeline::progress(
        QStringLiteral("fault %1: picture after %2 s (viewer said frames resumed after %3 s)%5; "
                       "slot %4 s")
            .arg(outcome.number)
            .arg(outcome.picture ? QString::number(*outcome.picture, 'f', 2) : QStringLiteral("-"))
            .arg(outcome.viewer ? QString::number(*outcome.viewer, 'f', 2) : QStringLiteral("-"))
            .arg(outcome.slotSeconds, 0, 'f', 2)
            .arg(outcome.stayedLive ? QString() : QStringLiteral(", no frames 2-3 s later")));
    report_.faults.push_back(outcome);
}

SoakProcessSample SoakRunner::footprint() const {
    SoakProcessSample sample = SoakProcessSample::take();
    sample.descriptors -= viewer_.standInDescriptors();
    return sample;
}

void SoakRunner::tick() {
    const SoakClock::time_point now = SoakClock::now();
    const double elapsed = secondsBetween(lastTick_, now);
    lastTick_ = now;
    if (const std::optional<QPoint> centre = viewer_.windowCentre()) {
        watch_.setPoint(*centre);
    }
    if (cameraUp_ && !asleep_) {
        report_.cameraUpSeconds += elapsed;
        if (viewer_.presentedFrameWithin(liveFrameAge.at(static_cast<size_t>(selected_)))) {
            report_.liveSeconds += elapsed;
        }
    }
    if (SoakTimeline::secondsAt(now) >= nextSampleAt_) {
        const SoakProcessSample sample = footprint();
        report_.samples.push_back(sample);
        nextSampleAt_ += 60.0;
        SoakTimeline::progress(QStringLiteral("footprint: %1 MB resident, %2 threads, %3 fds")
                                   .arg(sample.residentKiB / 1024.0, 0, 'f', 1)
                                   .arg(sample.threads)
                                   .arg(sample.descriptors));
    }
}

} // namespace rure::bench
