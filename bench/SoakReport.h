#pragma once

#include "SoakFaultPlan.h"
#include "SoakProcessSample.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace rure::bench {

// One fault and how the viewer came back from it. Times count from the moment
// the camera was available again (or the machine woke, or the switch was made).
struct SoakFaultOutcome {
    int number = 0;
    double startedAt = 0; // on the soak's time line
    SoakFault fault;
    bool liveBefore = false;       // the picture was live when the fault began
    double slotSeconds = 0;        // the back-off slot in effect at that moment
    double pictureInterval = 0;    // the longest the camera then waits between pictures
    QString slotText;              // how that slot came about
    std::optional<double> picture; // until the first fresh picture at the window centre
    std::optional<double> viewer;  // until the viewer said frames resumed
    double gaveUpAfter = 0;        // how long the soak waited when no picture came
    bool stayedLive = true;        // frames still came 2 to 3 s after the first
};

// Everything the soak measured; printed once at the end, never judged.
struct SoakReport {
    std::uint32_t seed = 0;
    int minutes = 0;
    QString cameras;
    bool interrupted = false;
    QStringList problems; // what kept the soak from measuring something
    std::vector<SoakFaultOutcome> faults;
    double cameraUpSeconds = 0;
    double liveSeconds = 0;
    std::vector<SoakProcessSample> samples; // the first is the start (after one minute)
    std::vector<double> firstLatencies;     // seconds
    std::vector<double> lastLatencies;

    void print(std::FILE* out) const;
};

} // namespace rure::bench
