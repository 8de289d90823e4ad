// Network path and sleep: recovery pauses while the path is unusable or the
// machine sleeps, and a fresh connection starts when either ends.
#include "AppDelegate.h"

#include "common/RureLog.h"
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

void AppDelegate::handleNetworkPath(NetworkPathSignature signature) {
    if (isClosingViewer) {
        return;
    }
    const std::optional<NetworkPathSignature> previous = networkPathSignature;
    networkPathSignature = signature;
    networkPathIsSatisfied = signature.isSatisfied;
    RureLog::network().info(
        QStringLiteral("Network path update: satisfied=%1, wifi=%2, ethernet=%3.")
            .arg(logBool(signature.isSatisfied), logBool(signature.usesWiFi),
                 logBool(signature.usesEthernet)));

    if (!signature.isSatisfied) {
        cancelPlaybackRetry();
        cancelLocalNetworkProbe();
        playbackState = PlaybackSupervisorState::suspended;
        return;
    }
    if (previous && *previous != signature) {
        schedulePlaybackRecovery(QStringLiteral("network path became usable or changed"), true,
                                 true);
    }
}

void AppDelegate::systemWillSleep() {
    if (isClosingViewer) {
        return;
    }
    RureLog::lifecycle().notice(
        QStringLiteral("The Mac is sleeping; playback recovery is suspended."));
    systemIsSleeping = true;
    playbackState = PlaybackSupervisorState::suspended;
    cancelPlaybackRetry();
    cancelLocalNetworkProbe();
    if (mpv) {
        mpv->stopPlayback();
    }
}

void AppDelegate::systemDidWake() {
    if (isClosingViewer) {
        return;
    }
    RureLog::lifecycle().notice(
        QStringLiteral("The Mac woke; scheduling a fresh camera connection."));
    systemIsSleeping = false;
    lastFrameRenderedAt.reset();
    schedulePlaybackRecovery(QStringLiteral("system wake"), true, true);
}

} // namespace rure
