#include "ZooScreen.h"

#include "SoakWait.h"

#include <thread>

namespace rure::bench {

namespace {

constexpr auto pollPause = std::chrono::milliseconds(5);
constexpr auto relocateEvery = std::chrono::seconds(1);

} // namespace

std::unique_ptr<ZooScreen> ZooScreen::open() {
    std::optional<ScreenProbe> probe = ScreenProbe::open();
    if (!probe) {
        return nullptr;
    }
    std::unique_ptr<ZooScreen> screen(new ZooScreen(std::move(*probe)));
    if (!screen->watch_.isWatching()) {
        return nullptr;
    }
    screen->probe_.blackenRootWindow();
    return screen;
}

ZooScreen::ZooScreen(ScreenProbe probe) : probe_(std::move(probe)) {}

void ZooScreen::follow(qint64 pid, const QRect& expectedFrame) {
    pid_ = pid;
    watch_.setPoint(expectedFrame.center());
    relocate();
}

void ZooScreen::relocate() {
    lastLocated_ = SoakClock::now();
    if (const std::optional<QRect> rect = probe_.windowRectOfProcess(static_cast<pid_t>(pid_))) {
        watch_.setPoint(rect->center());
    }
}

bool ZooScreen::waitUntil(const std::function<bool()>& done, double seconds) {
    const SoakClock::time_point deadline =
        SoakClock::now() +
        std::chrono::duration_cast<SoakClock::duration>(std::chrono::duration<double>(seconds));
    while (true) {
        if (done()) {
            return true;
        }
        const SoakClock::time_point now = SoakClock::now();
        if (now >= deadline || SoakWait::stopRequested()) {
            return false;
        }
        if (now - lastLocated_ >= relocateEvery) {
            relocate();
        }
        std::this_thread::sleep_for(pollPause);
    }
}

bool ZooScreen::pause(double seconds) {
    waitUntil([] { return false; }, seconds);
    return !SoakWait::stopRequested();
}

std::optional<SoakClock::time_point>
ZooScreen::waitForShade(SoakShade shade, SoakClock::time_point since, double seconds) {
    waitUntil([&] { return watch_.firstShownSince(shade, since).has_value(); }, seconds);
    return watch_.firstShownSince(shade, since);
}

} // namespace rure::bench
