#include "SoakWait.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <csignal>

namespace rure::bench {

namespace {

constexpr int checkIntervalMs = 10;

volatile std::sig_atomic_t interrupted = 0;

extern "C" void noteInterrupt(int) {
    interrupted = 1;
}

} // namespace

bool SoakWait::until(const std::function<bool()>& done, double seconds) {
    if (stopRequested()) {
        return false;
    }
    if (done()) {
        return true;
    }
    const QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000.0));
    bool satisfied = false;
    QEventLoop loop;
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    check.setInterval(checkIntervalMs);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        satisfied = done();
        if (satisfied || deadline.hasExpired() || stopRequested()) {
            loop.quit();
        }
    });
    check.start();
    loop.exec();
    return satisfied;
}

bool SoakWait::pause(double seconds) {
    until([] { return false; }, seconds);
    return !stopRequested();
}

void SoakWait::installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = &noteInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool SoakWait::stopRequested() {
    return interrupted != 0;
}

} // namespace rure::bench
