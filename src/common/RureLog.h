#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace rure {

enum class RureLogCategory { lifecycle, configuration, network, playback, updates };

// The four levels of the system log. `standard` is the system log's "default" level.
enum class RureLogLevel { debug, info, standard, error };

struct RureLogEntry {
    QString subsystem;
    RureLogCategory category;
    RureLogLevel level;
    QString text;
};

QString categoryName(RureLogCategory category);

// True when `stream`, a JOURNAL_STREAM value ("<device>:<inode>"), names the
// file open on `descriptor`: systemd's way of saying that the journal reads it.
bool descriptorIsJournalStream(const QByteArray& stream, int descriptor);
QString levelName(RureLogLevel level);

// Writes "<source> <level>: <text>" and a line feed to standard error in one
// piece, so that lines of different threads never interleave.
void writeLogLine(const QByteArray& source, RureLogLevel level, const QString& text);

// The viewer's logger: subsystem "com.didirezoror.rure" with five categories.
//
// Entries go to the systemd journal when standard error is connected to it
// (JOURNAL_STREAM names stderr's device and inode), otherwise one line per entry
// on standard error: "com.didirezoror.rure.<category> <level>: <text>". On
// standard error, debug entries are shown only when RURE_LOG_LEVEL=debug.
//
// Texts never carry a camera's name or address; callers log indices and counts.
// Safe to call from any thread.
class RureLog {
public:
    static constexpr const char* subsystem = "com.didirezoror.rure";

    static RureLog lifecycle() { return RureLog(RureLogCategory::lifecycle); }
    static RureLog configuration() { return RureLog(RureLogCategory::configuration); }
    static RureLog network() { return RureLog(RureLogCategory::network); }
    static RureLog playback() { return RureLog(RureLogCategory::playback); }
    static RureLog updates() { return RureLog(RureLogCategory::updates); }

    explicit RureLog(RureLogCategory category) : category_(category) {}

    void log(RureLogLevel level, const QString& text) const;
    void debug(const QString& text) const { log(RureLogLevel::debug, text); }
    void info(const QString& text) const { log(RureLogLevel::info, text); }
    // The system log's "default" level.
    void notice(const QString& text) const { log(RureLogLevel::standard, text); }
    void error(const QString& text) const { log(RureLogLevel::error, text); }

    RureLogCategory category() const { return category_; }

    using Sink = std::function<void(const RureLogEntry&)>;
    // Replaces where entries go (tests capture them); an empty sink restores the
    // journal / standard-error writer. Returns the previous sink.
    static Sink setSink(Sink sink);

private:
    RureLogCategory category_;
};

// Formats a boolean the way the log shows it ("true" / "false").
inline QString logBool(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace rure
