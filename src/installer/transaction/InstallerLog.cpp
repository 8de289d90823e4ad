#include "InstallerLog.h"

#include <QByteArray>

#include <mutex>

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

} // namespace

void InstallerLog::log(RureLogLevel level, const QString& text) {
    const InstallerLogEntry entry{level, text};
    std::lock_guard lock(sinkMutex());
    if (customSink()) {
        customSink()(entry);
        return;
    }
    writeLogLine(QByteArray(subsystem) + '.' + category, entry.level, entry.text);
}

InstallerLog::Sink InstallerLog::setSink(Sink sink) {
    std::lock_guard lock(sinkMutex());
    Sink previous = std::move(customSink());
    customSink() = std::move(sink);
    return previous;
}

} // namespace rure
