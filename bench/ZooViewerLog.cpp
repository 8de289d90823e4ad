#include "ZooViewerLog.h"

#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace rure::bench {

namespace {

const QString statusMarker = QStringLiteral("The status line reads: ");

// The text of a log line, "<subsystem>.<category> <level>: <text>".
QString messageOf(const QString& line) {
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const qsizetype colon = space < 0 ? -1 : line.indexOf(QStringLiteral(": "), space);
    return colon < 0 ? line : line.mid(colon + 2);
}

std::optional<ZooLogEventKind> kindOf(const QString& message) {
    if (message.startsWith(QStringLiteral("Scheduling recovery "))) {
        return ZooLogEventKind::recovery;
    }
    if (message.contains(
            QStringLiteral("loading the camera again to return to the live picture"))) {
        return ZooLogEventKind::catchUp;
    }
    if (message.startsWith(QStringLiteral("Live video frames resumed"))) {
        return ZooLogEventKind::framesResumed;
    }
    if (message.startsWith(QStringLiteral("mpv ended the stream"))) {
        return ZooLogEventKind::streamEnded;
    }
    if (message.startsWith(statusMarker)) {
        return ZooLogEventKind::statusLine;
    }
    return std::nullopt;
}

} // namespace

ZooViewerLog::ZooViewerLog(int readEnd, const QString& copyPath) : readEnd_(readEnd) {
    if (!copyPath.isEmpty()) {
        copy_ = std::fopen(copyPath.toLocal8Bit().constData(), "we");
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) == 0) {
        wakeRead_ = wake[0];
        wakeWrite_ = wake[1];
    }
    thread_ = std::thread([this] { run(); });
}

ZooViewerLog::~ZooViewerLog() {
    if (wakeWrite_ >= 0) {
        const char stop = 0;
        if (::write(wakeWrite_, &stop, 1) < 0) {
            // The thread still ends once the viewer's end of the pipe closes.
        }
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    for (const int descriptor : {readEnd_, wakeRead_, wakeWrite_}) {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
    if (copy_ != nullptr) {
        std::fclose(copy_);
    }
}

void ZooViewerLog::run() {
    if (readEnd_ < 0) {
        return;
    }
    QByteArray pending;
    char buffer[8192];
    while (true) {
        pollfd watched[2] = {{readEnd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(watched, wakeRead_ >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (watched[1].revents != 0) {
            return;
        }
        const ssize_t count = ::read(readEnd_, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        const SoakClock::time_point at = SoakClock::now();
        if (count <= 0) {
            if (!pending.isEmpty()) {
                take(pending, at);
            }
            return;
        }
        if (copy_ != nullptr) {
            std::fwrite(buffer, 1, static_cast<size_t>(count), copy_);
            std::fflush(copy_);
        }
        pending.append(buffer, count);
        qsizetype newline;
        while ((newline = pending.indexOf('\n')) >= 0) {
            take(pending.left(newline), at);
            pending.remove(0, newline + 1);
        }
    }
}

void ZooViewerLog::take(const QByteArray& line, SoakClock::time_point at) {
    const QString message = messageOf(QString::fromUtf8(line));
    const std::optional<ZooLogEventKind> kind = kindOf(message);
    if (!kind) {
        return;
    }
    ZooLogEvent event{at, *kind, message};
    if (*kind == ZooLogEventKind::statusLine) {
        event.text = message.mid(statusMarker.size()).trimmed();
    }
    const std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
}

int ZooViewerLog::count(ZooLogEventKind kind, SoakClock::time_point from,
                        SoakClock::time_point to) const {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(events_.begin(), events_.end(), [&](const auto& event) {
        return event.kind == kind && event.at >= from && event.at <= to;
    }));
}

std::optional<ZooLogEvent> ZooViewerLog::first(std::initializer_list<ZooLogEventKind> kinds,
                                               SoakClock::time_point since) const {
    const std::lock_guard lock(mutex_);
    for (const ZooLogEvent& event : events_) {
        if (event.at >= since && std::find(kinds.begin(), kinds.end(), event.kind) != kinds.end()) {
            return event;
        }
    }
    return std::nullopt;
}

QStringList ZooViewerLog::statusTexts(SoakClock::time_point from, SoakClock::time_point to) const {
    static const QRegularExpression number(QStringLiteral("\\d+(?:[.,]\\d+)?"));
    const std::lock_guard lock(mutex_);
    QStringList texts;
    for (const ZooLogEvent& event : events_) {
        if (event.kind != ZooLogEventKind::statusLine || event.at < from || event.at > to ||
            event.text.isEmpty()) {
            continue;
        }
        // A count-down ("Reconnecting in 4 s (attempt 2)") is one text.
        const QString text = QString(event.text).replace(number, QStringLiteral("N"));
        if (!texts.contains(text)) {
            texts << text;
        }
    }
    return texts;
}

double ZooViewerLog::liveShare(SoakClock::time_point from, SoakClock::time_point to) const {
    if (to <= from) {
        return 0;
    }
    const std::lock_guard lock(mutex_);
    bool live = false;
    SoakClock::time_point liveSince = from;
    SoakClock::duration liveTime{};
    const auto closeAt = [&](SoakClock::time_point at) {
        if (live) {
            liveTime += std::clamp(at, from, to) - std::clamp(liveSince, from, to);
        }
    };
    for (const ZooLogEvent& event : events_) {
        if (event.at > to) {
            break;
        }
        if (event.kind == ZooLogEventKind::framesResumed) {
            if (!live) {
                live = true;
                liveSince = event.at;
            }
        } else if (event.kind != ZooLogEventKind::statusLine) {
            closeAt(event.at);
            live = false;
        }
    }
    closeAt(to);
    return std::chrono::duration<double>(liveTime).count() /
           std::chrono::duration<double>(to - from).count();
}

} // namespace rure::bench
