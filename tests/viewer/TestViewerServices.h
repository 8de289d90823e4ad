#pragma once

#include "viewer/AppDelegate.h"

#include <QStringList>

#include <optional>

namespace rure::test {

// The services every controller fixture gives the viewer: the test's store,
// settings, clock and engines; playback alerts recorded in `alerts` instead of
// shown; sleep and wake heard on the test's own bus when it has one.
inline AppDelegateServices testViewerServices(CameraConfigurationStore& store, QSettings& settings,
                                              Scheduler& scheduler, PlaybackEngineFactory& engines,
                                              QStringList& alerts,
                                              std::optional<QDBusConnection> sleepWakeBus) {
    return AppDelegateServices{
        .store = &store,
        .settings = &settings,
        .scheduler = &scheduler,
        .engineFactory = &engines,
        .presentPlaybackError = [&alerts](QWidget*, const QString& message) { alerts << message; },
        .sleepWakeBus = std::move(sleepWakeBus)};
}

} // namespace rure::test
