// Measures how soon the viewer is live again after its camera loses power for
// five seconds: the time from the camera's return to the first presented frame,
// and the part of it spent reconnecting once the scheduled attempt was due.
//
//   rure-bench-recovery [--outages N] [--down SECONDS]
#include "BenchSupport.h"
#include "support/TestCamera.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

using rure::bench::median;
using rure::bench::optionValue;
using rure::bench::prepareViewer;
using rure::test::TestCamera;

// The viewer's standard error, line by line, with the time each line arrived.
class ViewerLog {
public:
    explicit ViewerLog(QProcess& process) : process_(process) { clock_.start(); }

    double now() const { return clock_.nsecsElapsed() / 1e9; }

    void collect(int waitMs) {
        process_.waitForReadyRead(waitMs);
        partial_ += process_.readAllStandardError();
        qsizetype end = 0;
        while ((end = partial_.indexOf('\n')) >= 0) {
            lines_.push_back({now(), QString::fromUtf8(partial_.left(end))});
            partial_.remove(0, end + 1);
        }
    }

    // The first line containing `text` that arrived at or after `since`.
    std::optional<double> arrival(const QString& text, double since) const {
        for (const auto& [time, line] : lines_) {
            if (time >= since && line.contains(text)) {
                return time;
            }
        }
        return std::nullopt;
    }

    // When the first recovery attempt due at or after `since` was due.
    std::optional<double> firstAttemptDue(double since) const {
        static const QRegularExpression scheduled(
            QStringLiteral(R"(Scheduling recovery \d+ in (\d+\.\d+) seconds)"));
        std::optional<double> first;
        for (const auto& [time, line] : lines_) {
            const auto match = scheduled.match(line);
            if (match.hasMatch()) {
                const double due = time + match.captured(1).toDouble();
                if (due >= since && (!first || due < *first)) {
                    first = due;
                }
            }
        }
        return first;
    }

private:
    QProcess& process_;
    QElapsedTimer clock_;
    QByteArray partial_;
    std::vector<std::pair<double, QString>> lines_;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const int outages =
        std::max(1, static_cast<int>(optionValue(arguments, QStringLiteral("--outages"), 5)));
    const double down = std::max(0.0, optionValue(arguments, QStringLiteral("--down"), 5.0));

    TestCamera camera;
    if (!camera.start(rure::bench::comparisonCamera())) {
        std::fprintf(stderr, "the test camera did not start\n");
        return 1;
    }

    QTemporaryDir home;
    QProcess viewer;
    prepareViewer(viewer, home.path(), camera.url());
    viewer.start();
    ViewerLog log(viewer);
    const QString framesResumed = QStringLiteral("Live video frames resumed for player generation");

    auto waitFor = [&](const std::function<bool()>& done, double seconds) {
        const double until = log.now() + seconds;
        while (!done() && log.now() < until) {
            log.collect(5);
        }
        return done();
    };
    if (!waitFor([&] { return log.arrival(framesResumed, 0).has_value(); }, 30)) {
        std::fprintf(stderr, "the viewer showed no picture\n");
        return 1;
    }

    std::vector<double> sinceBack;
    std::vector<double> sinceDue;
    for (int i = 0; i < outages; ++i) {
        waitFor([] { return false; }, 2.0);
        camera.kill();
        waitFor([] { return false; }, down);
        if (!camera.restart()) {
            std::fprintf(stderr, "the test camera did not come back\n");
            return 1;
        }
        const double back = log.now();
        if (!waitFor([&] { return log.arrival(framesResumed, back).has_value(); }, 90)) {
            std::fprintf(stderr, "outage %d: the viewer did not come back\n", i + 1);
            return 1;
        }
        const double live = *log.arrival(framesResumed, back);
        const double due = log.firstAttemptDue(back).value_or(back);
        sinceBack.push_back(live - back);
        sinceDue.push_back(live - due);
        std::printf(
            "outage %d: live %.3f s after the camera returned, %.3f s after the attempt was due\n",
            i + 1, live - back, live - due);
    }
    viewer.terminate();
    viewer.waitForFinished(10000);

    std::printf(
        "camera down %.1f s, %d outages: camera back to first presented frame median %.3f s "
        "(min %.3f, max %.3f); attempt due to first frame median %.3f s\n",
        down, outages, median(sinceBack), *std::min_element(sinceBack.begin(), sinceBack.end()),
        *std::max_element(sinceBack.begin(), sinceBack.end()), median(sinceDue));
    return 0;
}
