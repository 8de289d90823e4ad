// Where the network path and sleep and wake are heard: the platform's monitors
// call the controller's entry points, which the playback supervisor acts on.
#include "AppDelegate.h"

#include "platform/NetworkPathMonitor.h"
#include "platform/SleepWakeMonitor.h"

namespace rure {

void AppDelegate::startSystemRecoveryMonitoring() {
    QPointer<AppDelegate> weakSelf(this);
    if (services_.sleepWakeBus) {
        sleepWakeMonitor = std::make_unique<SleepWakeMonitor>(
            *services_.sleepWakeBus,
            [weakSelf] {
                if (weakSelf) {
                    weakSelf->systemWillSleep();
                }
            },
            [weakSelf] {
                if (weakSelf) {
                    weakSelf->systemDidWake();
                }
            });
    }
    if (services_.observeNetworkPath) {
        networkPathMonitor =
            std::make_unique<NetworkPathMonitor>([weakSelf](NetworkPathSignature signature) {
                if (weakSelf) {
                    weakSelf->handleNetworkPath(signature);
                }
            });
        networkPathMonitor->start();
    }
}

} // namespace rure
