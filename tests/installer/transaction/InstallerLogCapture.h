#pragma once

#include "installer/transaction/InstallerLog.h"

#include <mutex>
#include <vector>

namespace rure::test {

// Captures every installer log entry while alive, instead of writing it to
// standard error.
class InstallerLogCapture {
public:
    InstallerLogCapture();
    ~InstallerLogCapture();
    InstallerLogCapture(const InstallerLogCapture&) = delete;
    InstallerLogCapture& operator=(const InstallerLogCapture&) = delete;

    std::vector<InstallerLogEntry> entries() const;

private:
    mutable std::mutex mutex_;
    std::vector<InstallerLogEntry> entries_;
    InstallerLog::Sink previous_;
};

} // namespace rure::test
