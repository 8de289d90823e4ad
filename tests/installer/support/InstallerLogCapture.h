#pragma once

#include "installer/transaction/InstallerLog.h"

#include <mutex>
#include <vector>

namespace rure::test {

// Captures the installer's log entries (from any thread) while alive.
class InstallerLogCapture {
public:
    InstallerLogCapture();
    ~InstallerLogCapture();
    InstallerLogCapture(const InstallerLogCapture&) = delete;
    InstallerLogCapture& operator=(const InstallerLogCapture&) = delete;

    std::vector<InstallerLogEntry> entries() const;
    // How many entries have exactly this level and text.
    int count(RureLogLevel level, const QString& text) const;
    // How many entries have this text, at any level.
    int count(const QString& text) const;

private:
    mutable std::mutex mutex_;
    std::vector<InstallerLogEntry> entries_;
    InstallerLog::Sink previous_;
};

} // namespace rure::test
