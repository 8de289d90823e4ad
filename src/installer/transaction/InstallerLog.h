#pragma once

#include "common/RureLog.h"

#include <QString>

#include <functional>

namespace rure {

struct InstallerLogEntry {
    RureLogLevel level;
    QString text;
};

// The installer's logger: subsystem "com.didirezoror.rure.installer", category
// "installation". Each entry is one line on standard error,
// "com.didirezoror.rure.installer.installation <level>: <text>", with the level
// names of RureLog. Every member is static so that both `InstallerLog::info(...)`
// and a held `InstallerLog` instance work. Safe to call from any thread.
class InstallerLog {
public:
    static constexpr const char* subsystem = "com.didirezoror.rure.installer";
    static constexpr const char* category = "installation";

    static void log(RureLogLevel level, const QString& text);
    static void info(const QString& text) { log(RureLogLevel::info, text); }
    // The system log's "default" level.
    static void notice(const QString& text) { log(RureLogLevel::standard, text); }
    static void error(const QString& text) { log(RureLogLevel::error, text); }

    using Sink = std::function<void(const InstallerLogEntry&)>;
    // Replaces where entries go (tests capture them); an empty sink restores the
    // standard-error writer. Returns the previous sink.
    static Sink setSink(Sink sink);
};

} // namespace rure
