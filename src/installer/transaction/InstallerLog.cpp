#include "InstallerLog.h"

#include <QByteArray>

#include <mutex>
#include <unistd.h>

namespace rure {

namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

InstallerLog::Sink& customSink() {
    static InstallerLog::Sink sink;
    return sink;
}

void writeToStandardError(const InstallerLogEntry& entry) {
    const QByteArray line = QByteArray(InstallerLog::subsystem) + '.' + InstallerLog::category +
                            ' ' + levelName(entry.level).toUtf8() + ": " + entry.text.toUtf8() +
                            '\n';
    // One write per line so that lines of different threads never interleave.
    const char* data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, static_cast<size_t>(left));
        if (written <= 0) {
            return;
        }
        data += written;
        left -= written;
    }
}

} // namespace

void InstallerLog::log(RureLogLevel level, const QString& text) {
    const InstallerLogEntry entry{level, text};
    std::lock_guard lock(sinkMutex());
    if (customSink()) {
        customSink()(entry);
        return;
    }
    writeToStandardError(entry);
}

InstallerLog::Sink InstallerLog::setSink(Sink sink) {
    std::lock_guard lock(sinkMutex());
    Sink previous = std::move(customSink());
    customSink() = std::move(sink);
    return previous;
}

} // namespace rure
