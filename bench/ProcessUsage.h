#pragma once

#include <QtGlobal>

#include <optional>

namespace rure::bench {

// What /proc tells about one running process at one instant.
struct ProcessUsage {
    double cpuSeconds = 0;      // user + system time so far
    double peakResidentMiB = 0; // VmHWM
    double residentMiB = 0;     // VmRSS

    // Nothing once the process is gone.
    static std::optional<ProcessUsage> of(qint64 pid);
};

} // namespace rure::bench
