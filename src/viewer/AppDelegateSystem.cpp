// Where the network path and sleep and wake are heard: the platform's monitors
// report to the playback supervisor, which acts on them.
#include "AppDelegate.h"

#include "platform/NetworkPathMonitor.h"
#include "platform/SleepWakeMonitor.h"

namespace rure {

void AppDelegate::startSystemRecoveryMonitoring() {
    // The monitors are this controller's own and call back only while they
    // exist (their signals and queued reports are tied to them).
    if (services_.sleepWakeBus) {
        systemMonitors_.sleepWake = std::make_unique<SleepWakeMonitor>(
            *services_.sleepWakeBus, [this] { supervisor_->systemWillSleep(); },
            [this] { supervisor_->systemDidWake(); });
    }
    if (services_.observeNetworkPath) {
        systemMonitors_.networkPath = std::make_unique<NetworkPathMonitor>(
            [this](NetworkPathSignature signature) { supervisor_->handleNetworkPath(signature); });
        systemMonitors_.networkPath->start();
    }
}

} // namespace rure
