#include "RureLog.h"

#include <QByteArray>
#include <QList>

#include <mutex>
#include <sys/stat.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

namespace rure {

namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

RureLog::Sink& customSink() {
    static RureLog::Sink sink;
    return sink;
}

} // namespace

bool descriptorIsJournalStream(const QByteArray& stream, int descriptor) {
    if (stream.isEmpty()) {
        return false;
    }
    const QList<QByteArray> parts = stream.split(':');
    if (parts.size() != 2) {
        return false;
    }
    bool deviceOk = false;
    bool inodeOk = false;
    const qulonglong device = parts[0].toULongLong(&deviceOk);
    const qulonglong inode = parts[1].toULongLong(&inodeOk);
    struct stat info {};
    if (!deviceOk || !inodeOk || fstat(descriptor, &info) != 0) {
        return false;
    }
    return info.st_dev == device && info.st_ino == inode;
}

namespace {

int journalPriority(RureLogLevel level) {
    switch (level) {
    case RureLogLevel::debug:
        return 7;
    case RureLogLevel::info:
        return 6;
    case RureLogLevel::standard:
        return 5;
    case RureLogLevel::error:
        return 3;
    }
    return 5;
}

RureLogLevel standardErrorThreshold() {
    const QByteArray wanted = qgetenv("RURE_LOG_LEVEL").trimmed().toLower();
    if (wanted == "debug") {
        return RureLogLevel::debug;
    }
    if (wanted == "default") {
        return RureLogLevel::standard;
    }
    if (wanted == "error") {
        return RureLogLevel::error;
    }
    return RureLogLevel::info;
}

void writeToSystem(const RureLogEntry& entry) {
    static const bool toJournal =
        descriptorIsJournalStream(qgetenv("JOURNAL_STREAM"), STDERR_FILENO);
    static const RureLogLevel threshold = standardErrorThreshold();
    const QByteArray category = categoryName(entry.category).toUtf8();
    const QByteArray text = entry.text.toUtf8();
    if (toJournal) {
        sd_journal_send("MESSAGE=%s", text.constData(), "PRIORITY=%d", journalPriority(entry.level),
                        "SYSLOG_IDENTIFIER=rure", "RURE_SUBSYSTEM=%s", RureLog::subsystem,
                        "RURE_CATEGORY=%s", category.constData(), nullptr);
        return;
    }
    if (entry.level < threshold) {
        return;
    }
    writeLogLine(entry.subsystem.toUtf8() + '.' + category, entry.level, entry.text);
}

} // namespace

void writeLogLine(const QByteArray& source, RureLogLevel level, const QString& text) {
    const QByteArray line = source + ' ' + levelName(level).toUtf8() + ": " + text.toUtf8() + '\n';
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

QString categoryName(RureLogCategory category) {
    switch (category) {
    case RureLogCategory::lifecycle:
        return QStringLiteral("lifecycle");
    case RureLogCategory::configuration:
        return QStringLiteral("configuration");
    case RureLogCategory::network:
        return QStringLiteral("network");
    case RureLogCategory::playback:
        return QStringLiteral("playback");
    case RureLogCategory::updates:
        return QStringLiteral("updates");
    }
    return {};
}

QString levelName(RureLogLevel level) {
    switch (level) {
    case RureLogLevel::debug:
        return QStringLiteral("debug");
    case RureLogLevel::info:
        return QStringLiteral("info");
    case RureLogLevel::standard:
        return QStringLiteral("default");
    case RureLogLevel::error:
        return QStringLiteral("error");
    }
    return {};
}

void RureLog::log(RureLogLevel level, const QString& text) const {
    const RureLogEntry entry{QString::fromLatin1(subsystem), category_, level, text};
    std::lock_guard lock(sinkMutex());
    if (customSink()) {
        customSink()(entry);
        return;
    }
    writeToSystem(entry);
}

RureLog::Sink RureLog::setSink(Sink sink) {
    std::lock_guard lock(sinkMutex());
    Sink previous = std::move(customSink());
    customSink() = std::move(sink);
    return previous;
}

} // namespace rure
