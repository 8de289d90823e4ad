#pragma once

#include "SoakCameras.h"
#include "SoakFaultPlan.h"
#include "SoakPictureWatch.h"
#include "SoakReport.h"
#include "SoakViewer.h"
#include "SoakViewerLog.h"

#include <QTimer>

#include <cstdint>
#include <optional>

namespace rure::bench {

// Runs the viewer for a number of minutes under the seeded faults and measures
// it: the first minute and the last are quiet (glass-to-glass latency and the
// footprint at start and end), the minutes between carry the faults.
class SoakRunner {
public:
    SoakRunner(int minutes, std::uint32_t seed);
    ~SoakRunner();
    SoakRunner(const SoakRunner&) = delete;
    SoakRunner& operator=(const SoakRunner&) = delete;

    // False when the soak could not begin (no display, no camera, no picture);
    // the report then says why.
    bool run();
    const SoakReport& report() const { return report_; }

private:
    struct Slot {
        double seconds = 0;
        QString text;
    };

    bool setUp();
    void measureLatency(std::vector<double>& into);
    bool waitUntilRunSecond(double second);
    void runFault(const SoakFault& fault);
    bool prepareFault();
    // The slot the viewer waits in when the camera comes back at this moment,
    // for a camera that went down at `down`.
    Slot slotNow(SoakClock::time_point down) const;
    void measureReturn(SoakFaultOutcome& outcome, SoakClock::time_point back);
    void tick();
    // This process's footprint without what the stand-ins for the system hold.
    SoakProcessSample footprint() const;
    int other(int camera) const { return camera == 0 ? 1 : 0; }

    int minutes_;
    SoakFaultPlan plan_;
    SoakReport report_;

    // Declared so that the viewer goes first, then its log, the cameras and the
    // screen watch.
    SoakPictureWatch watch_;
    SoakCameras cameras_;
    SoakViewerLog log_;
    SoakViewer viewer_;

    QTimer ticks_;
    SoakClock::time_point lastTick_{};
    double nextSampleAt_ = 60.0;
    int selected_ = 0;
    bool cameraUp_ = false;
    bool asleep_ = false;
};

} // namespace rure::bench
