#pragma once

#include "viewer/AppDelegate.h"

#include <QStringList>

#include <optional>

namespace rure::test {

// Where the viewer of a test with the home folder `home` keeps its snapshots
// and its autostart entry.
inline QString snapshotFolderIn(const QString& home) {
    return home + QStringLiteral("/Pictures/Rure");
}
inline QString autostartEntryIn(const QString& home) {
    return home + QStringLiteral("/config/autostart/rure.desktop");
}

// The services every controller fixture gives the viewer: the test's store,
// settings, clock and engines; playback alerts recorded in `alerts` instead of
// shown; sleep and wake heard on the test's own bus when it has one; snapshots
// and the autostart entry in the test's own folder `home`, never the user's.
inline AppDelegateServices testViewerServices(CameraConfigurationStore& store, QSettings& settings,
                                              Scheduler& scheduler, PlaybackEngineFactory& engines,
                                              QStringList& alerts,
                                              std::optional<QDBusConnection> sleepWakeBus,
                                              const QString& home) {
    return AppDelegateServices{
        .store = &store,
        .settings = &settings,
        .scheduler = &scheduler,
        .engineFactory = &engines,
        .presentPlaybackError = [&alerts](QWidget*, const QString& message) { alerts << message; },
        .sleepWakeBus = std::move(sleepWakeBus),
        .snapshotFolder = snapshotFolderIn(home),
        .autostartEntryPath = autostartEntryIn(home),
        // A path reported down reaches no camera, whatever this machine's routes.
        .routeReaches = [](const QString&) { return false; }};
}

} // namespace rure::test
