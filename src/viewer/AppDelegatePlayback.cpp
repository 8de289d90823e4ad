// Playback supervision, the preflight, the network path and sleep: the
// controller's entry points, handed to the playback supervisor.
#include "AppDelegate.h"

namespace rure {

void AppDelegate::handlePlaybackEngineEvent(PlaybackEngineEvent event, int64_t generation) {
    supervisor_->handlePlaybackEngineEvent(event, generation);
}

void AppDelegate::recordRenderedFrame(int64_t generation) {
    supervisor_->recordRenderedFrame(generation);
}

void AppDelegate::catchUpWithLiveStream(const QString& why) {
    supervisor_->catchUpWithLiveStream(why);
}

void AppDelegate::startPlaybackWatchdog() {
    supervisor_->startPlaybackWatchdog();
}

void AppDelegate::evaluatePlaybackHealth() {
    supervisor_->evaluatePlaybackHealth();
}

void AppDelegate::schedulePlaybackRecovery(const QString& reason, bool immediate,
                                           bool forcePlayerRecreation) {
    supervisor_->schedulePlaybackRecovery(reason, immediate, forcePlayerRecreation);
}

void AppDelegate::requestLocalNetworkAccessAndStart() {
    supervisor_->requestLocalNetworkAccessAndStart();
}

void AppDelegate::finishLocalNetworkProbe(bool reloadPlayer, int64_t generation) {
    supervisor_->finishLocalNetworkProbe(reloadPlayer, generation);
}

void AppDelegate::cancelLocalNetworkProbe() {
    supervisor_->cancelLocalNetworkProbe();
}

void AppDelegate::handleNetworkPath(NetworkPathSignature signature) {
    supervisor_->handleNetworkPath(signature);
}

void AppDelegate::systemWillSleep() {
    supervisor_->systemWillSleep();
}

void AppDelegate::systemDidWake() {
    supervisor_->systemDidWake();
}

} // namespace rure
