#include "SoakReport.h"

#include "BenchSupport.h"

#include <algorithm>

namespace rure::bench {

namespace {

// A late recovery is one that took longer than the slot it waited in plus the
// second a connection and the first frame may take, plus, for a smart camera,
// the wait for its next picture: a still camera sends one every few seconds.
constexpr double connectAllowance = 1.0;

double bound(const SoakFaultOutcome& outcome) {
    return outcome.slotSeconds + connectAllowance + outcome.pictureInterval;
}

void line(std::FILE* out, const QString& text) {
    std::fprintf(out, "%s\n", qPrintable(text));
}

QString verdict(const SoakFaultOutcome& outcome) {
    const double limit = bound(outcome);
    if (!outcome.picture) {
        return QStringLiteral("NOT LIVE after %1 s").arg(outcome.gaveUpAfter, 0, 'f', 1);
    }
    if (*outcome.picture <= limit) {
        return QStringLiteral("within");
    }
    return QStringLiteral("LATE by %1 s").arg(*outcome.picture - limit, 0, 'f', 2);
}

QString signedNumber(double value, int decimals) {
    return (value > 0 ? QStringLiteral("+") : QString()) + QString::number(value, 'f', decimals);
}

QString seconds(const std::optional<double>& value) {
    return value ? QString::number(*value, 'f', 2) : QStringLiteral("-");
}

QString faultDetail(const SoakFault& fault) {
    switch (fault.kind) {
    case SoakFaultKind::powerLoss:
    case SoakFaultKind::longOutage:
        return QStringLiteral("down %1 s").arg(fault.seconds, 0, 'f', 1);
    case SoakFaultKind::stall:
        return QStringLiteral("stalled %1 s").arg(fault.seconds, 0, 'f', 1);
    case SoakFaultKind::sleep:
        return QStringLiteral("asleep %1 s").arg(fault.seconds, 0, 'f', 1);
    case SoakFaultKind::cameraSwitch:
        return QStringLiteral("to the other camera");
    }
    return {};
}

// Resident memory once the viewer has settled (after its first five minutes):
// how far it ranged, and its least-squares slope in MB per hour.
QString settledMemoryLine(const std::vector<SoakProcessSample>& samples) {
    constexpr double settledAfter = 300;
    std::vector<const SoakProcessSample*> settled;
    for (const SoakProcessSample& sample : samples) {
        if (sample.seconds >= settledAfter) {
            settled.push_back(&sample);
        }
    }
    if (settled.size() < 2) {
        return QStringLiteral("  after 5 min: too few samples");
    }
    double meanT = 0;
    double meanM = 0;
    double low = settled.front()->residentKiB;
    double high = low;
    for (const SoakProcessSample* sample : settled) {
        meanT += sample->seconds / settled.size();
        meanM += sample->residentKiB / 1024.0 / settled.size();
        low = std::min(low, static_cast<double>(sample->residentKiB));
        high = std::max(high, static_cast<double>(sample->residentKiB));
    }
    double covariance = 0;
    double variance = 0;
    for (const SoakProcessSample* sample : settled) {
        covariance += (sample->seconds - meanT) * (sample->residentKiB / 1024.0 - meanM);
        variance += (sample->seconds - meanT) * (sample->seconds - meanT);
    }
    const double slopePerHour = variance > 0 ? covariance / variance * 3600 : 0;
    return QStringLiteral("  after 5 min: %1 to %2 MB (a range of %3 MB), slope %4 MB per hour")
        .arg(low / 1024.0, 0, 'f', 1)
        .arg(high / 1024.0, 0, 'f', 1)
        .arg((high - low) / 1024.0, 0, 'f', 1)
        .arg(signedNumber(slopePerHour, 2));
}

QString latencyLine(const QString& when, const std::vector<double>& samples) {
    if (samples.empty()) {
        return QStringLiteral("  %1: no samples").arg(when);
    }
    return QStringLiteral("  %1: %2 samples, median %3 ms (min %4, max %5)")
        .arg(when)
        .arg(samples.size())
        .arg(median(samples) * 1000.0, 0, 'f', 0)
        .arg(*std::min_element(samples.begin(), samples.end()) * 1000.0, 0, 'f', 0)
        .arg(*std::max_element(samples.begin(), samples.end()) * 1000.0, 0, 'f', 0);
}

} // namespace

void SoakReport::print(std::FILE* out) const {
    line(out, QStringLiteral("Soak report: %1 minutes, seed %2%3")
                  .arg(minutes)
                  .arg(seed)
                  .arg(interrupted ? QStringLiteral(" (interrupted)") : QString()));
    line(out, QStringLiteral("Cameras: %1").arg(cameras));
    for (const QString& problem : problems) {
        line(out, QStringLiteral("Problem: %1").arg(problem));
    }

    line(out,
         QStringLiteral("Faults (seconds from camera back / wake / switch to the first fresh "
                        "picture at the window centre; slot = the viewer's back-off slot then; "
                        "slot+1 adds a second, and a still camera's wait for its next picture):"));
    line(out, QStringLiteral("   # at (s)  fault        detail               picture  viewer  "
                             "slot+1  verdict"));
    for (const SoakFaultOutcome& outcome : faults) {
        line(out, QStringLiteral("  %1 %2  %3 %4 %5 %6 %7  %8%9")
                      .arg(outcome.number, 2)
                      .arg(outcome.startedAt, 6, 'f', 1)
                      .arg(faultName(outcome.fault.kind), -12)
                      .arg(faultDetail(outcome.fault), -20)
                      .arg(seconds(outcome.picture), 7)
                      .arg(seconds(outcome.viewer), 7)
                      .arg(bound(outcome), 7, 'f', 2)
                      .arg(verdict(outcome))
                      .arg((outcome.picture && !outcome.stayedLive
                                ? QStringLiteral(", no frames 2-3 s later")
                                : QString()) +
                           (outcome.liveBefore ? QString()
                                               : QStringLiteral(" (picture not live before)"))));
        line(out, QStringLiteral("       slot: %1").arg(outcome.slotText));
    }
    const auto within = std::count_if(faults.begin(), faults.end(), [](const auto& outcome) {
        return verdict(outcome) == QStringLiteral("within");
    });
    line(out,
         QStringLiteral("  %1 of %2 faults within their slot + 1 s (+ a still camera's interval)")
             .arg(within)
             .arg(faults.size()));

    line(out, QStringLiteral("Live picture for %1 % of camera-up time (%2 s of %3 s; sleep "
                             "excluded)")
                  .arg(cameraUpSeconds > 0 ? liveSeconds * 100.0 / cameraUpSeconds : 0.0, 0, 'f', 1)
                  .arg(liveSeconds, 0, 'f', 1)
                  .arg(cameraUpSeconds, 0, 'f', 1));

    line(out, QStringLiteral("Viewer process (resident memory, threads, open descriptors):"));
    for (size_t i = 0; i < samples.size(); ++i) {
        const SoakProcessSample& sample = samples[i];
        const QString label = i + 1 == samples.size() ? QStringLiteral("end")
                              : i == 0                ? QStringLiteral("start")
                                                      : QString();
        line(out, QStringLiteral("  %1 s  %2 MB  %3 threads  %4 fds  %5")
                      .arg(sample.seconds, 7, 'f', 1)
                      .arg(sample.residentKiB / 1024.0, 7, 'f', 1)
                      .arg(sample.threads, 3)
                      .arg(sample.descriptors, 4)
                      .arg(label));
    }
    if (samples.size() >= 2) {
        const SoakProcessSample& first = samples.front();
        const SoakProcessSample& last = samples.back();
        line(out, QStringLiteral("  start to end: %1 MB, %2 threads, %3 fds")
                      .arg(signedNumber((last.residentKiB - first.residentKiB) / 1024.0, 1),
                           signedNumber(last.threads - first.threads, 0),
                           signedNumber(last.descriptors - first.descriptors, 0)));
        line(out, settledMemoryLine(samples));
    }

    line(out, QStringLiteral("Glass-to-glass latency (camera black to white, until the window "
                             "centre is white):"));
    line(out, latencyLine(QStringLiteral("first minute"), firstLatencies));
    line(out, latencyLine(QStringLiteral("last minute"), lastLatencies));
    std::fflush(out);
}

} // namespace rure::bench
