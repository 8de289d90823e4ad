#include "SoakTimeline.h"

#include <QDateTime>

#include <cstdio>
#include <mutex>

namespace rure::bench {

namespace {

std::once_flag started;
SoakClock::time_point startedAt;

} // namespace

void SoakTimeline::begin() {
    std::call_once(started, [] { startedAt = SoakClock::now(); });
}

SoakClock::time_point SoakTimeline::start() {
    begin();
    return startedAt;
}

double SoakTimeline::secondsAt(SoakClock::time_point at) {
    return secondsBetween(start(), at);
}

double SoakTimeline::now() {
    return secondsAt(SoakClock::now());
}

SoakClock::time_point SoakTimeline::fromMonotonicNanoseconds(qint64 nanoseconds) {
    return SoakClock::time_point(
        std::chrono::duration_cast<SoakClock::duration>(std::chrono::nanoseconds(nanoseconds)));
}

void SoakTimeline::progress(const QString& text) {
    // Lines come from several threads; one write each keeps them whole.
    const QByteArray line =
        QStringLiteral("%1 [%2 s] %3\n")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")),
                 QString::number(now(), 'f', 3).rightJustified(9), text)
            .toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace rure::bench
