#pragma once

#include "SoakTimeline.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace rure::bench {

// The lines of the viewer's log that the zoo counts.
enum class ZooLogEventKind {
    recovery,      // "Scheduling recovery N in X seconds; ..."
    catchUp,       // "...; loading the camera again to return to the live picture."
    framesResumed, // "Live video frames resumed for player generation N."
    streamEnded,   // "mpv ended the stream: ..."
    statusLine,    // "The status line reads: <text>" (debug, category playback)
};

struct ZooLogEvent {
    SoakClock::time_point at;
    ZooLogEventKind kind = ZooLogEventKind::recovery;
    QString text; // the status text for statusLine, the whole line otherwise
};

// Reads the viewer's standard error (RURE_LOG_LEVEL=debug) from a pipe on a
// thread of its own, stamps every line with the moment it arrived, keeps the
// lines the zoo counts and copies the whole log to a file when asked. The
// thread ends when the viewer's end of the pipe closes, or with the object.
class ZooViewerLog {
public:
    // Takes `readEnd` over; `copyPath` empty = no copy.
    ZooViewerLog(int readEnd, const QString& copyPath);
    ~ZooViewerLog();
    ZooViewerLog(const ZooViewerLog&) = delete;
    ZooViewerLog& operator=(const ZooViewerLog&) = delete;

    int count(ZooLogEventKind kind, SoakClock::time_point from, SoakClock::time_point to) const;
    // The first event of one of `kinds` at or after `since`.
    std::optional<ZooLogEvent> first(std::initializer_list<ZooLogEventKind> kinds,
                                     SoakClock::time_point since) const;
    // The status texts shown in [from, to], each once, in the order first shown,
    // with every number written as N; a blank status line is left out.
    QStringList statusTexts(SoakClock::time_point from, SoakClock::time_point to) const;
    // The share of [from, to] in which the viewer counted its picture live: from
    // "frames resumed" to the next recovery, catch-up reload or end of stream.
    double liveShare(SoakClock::time_point from, SoakClock::time_point to) const;

private:
    void run();
    void take(const QByteArray& line, SoakClock::time_point at);

    int readEnd_;
    int wakeRead_ = -1; // the destructor writes to wakeWrite_ to end the thread
    int wakeWrite_ = -1;
    std::FILE* copy_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<ZooLogEvent> events_;
    std::thread thread_;
};

} // namespace rure::bench
