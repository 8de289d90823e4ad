#pragma once

#include "common/QtScheduler.h"
#include "config/CameraConfigurationStore.h"
#include "engine/MPVEngineFactory.h"
#include "support/FakeLogind.h"
#include "viewer/AppDelegate.h"

#include <QSettings>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace rure::bench {

// The viewer as the application builds it (the real controller, window,
// engine and scheduler), in the soak's own process: the camera list in a
// temporary directory, the settings in a temporary file, and sleep and wake
// announced by a stand-in logind on a bus of the soak's own. Running it here
// lets the soak switch cameras the way the camera chooser does and read the
// back-off state the viewer is in at the moment a camera returns.
class SoakViewer {
public:
    SoakViewer();
    ~SoakViewer();
    SoakViewer(const SoakViewer&) = delete;
    SoakViewer& operator=(const SoakViewer&) = delete;

    // Saves the list and launches the viewer on it; an error text on failure.
    std::optional<QString> launch(const QList<Camera>& cameras);

    void selectCamera(int index);
    // Sends PrepareForSleep(true) or (false) as logind would.
    bool announceSleep(bool sleeping);

    const PlaybackSupervisor& supervisor() const { return delegate_->playbackSupervisor(); }
    // The controller itself, for benchmarks that drive the window.
    AppDelegate& controller() { return *delegate_; }
    // The centre of the viewer window on the screen; nothing without a window.
    std::optional<QPoint> windowCentre() const;
    // Whether the viewer presented a frame within the last `seconds`.
    bool presentedFrameWithin(double seconds) const;
    // Descriptors the stand-in logind holds in this process: it keeps its end
    // of every lock it ever handed out, one more per wake.
    int standInDescriptors() const;

private:
    QTemporaryDir directory_;
    CameraConfigurationStore store_;
    QSettings settings_;
    QtScheduler scheduler_;
    MPVEngineFactory engines_;
    test::PrivateBus bus_;
    std::unique_ptr<test::FakeLogind> logind_;
    std::unique_ptr<AppDelegate> delegate_;
};

} // namespace rure::bench
