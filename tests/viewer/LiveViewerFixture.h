#pragma once

// The viewer with its real engine, real window and the project's RTSP test
// camera, on real time.
#include "TestViewerServices.h"

#include "common/QtScheduler.h"
#include "config/CameraConfigurationStore.h"
#include "engine/MPVEngineFactory.h"
#include "support/LogCapture.h"
#include "support/TestCamera.h"
#include "viewer/ViewerParts.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace rure::test {

inline int threadCount() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task")).count()) - 2;
}

class LiveViewerTest : public ::testing::Test {
protected:
    LiveViewerTest()
        : store(directory.path() + QStringLiteral("/store")),
          settings(directory.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat) {}

    ~LiveViewerTest() override { delegate.reset(); }

    void launch(const QList<Camera>& cameras) {
        ASSERT_TRUE(store.save(cameras).ok());
        AppDelegateServices services = testViewerServices(store, settings, scheduler, engines,
                                                          alerts, sleepWakeBus, directory.path());
        services.wallClock = wallClock;
        delegate = std::make_unique<AppDelegate>(std::move(services));
        delegate->applicationDidFinishLaunching();
    }

    const PlaybackSupervisor& supervisor() const { return delegate->playbackSupervisor(); }

    static bool waitFor(const std::function<bool()>& done, int timeoutMs = 15000) {
        QDeadlineTimer deadline(timeoutMs);
        while (!done()) {
            if (deadline.hasExpired()) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

    bool isPlaying() const { return supervisor().state() == PlaybackSupervisorState::playing; }

    // The colour on screen at `fraction` of the viewer window's width and height.
    QColor colourAt(QPointF fraction) const {
        ViewerWindow* window = delegate->viewerWindow();
        const QPoint point =
            window->mapToGlobal(QPoint(static_cast<int>(window->width() * fraction.x()),
                                       static_cast<int>(window->height() * fraction.y())));
        const QImage shot =
            window->screen()->grabWindow(0, point.x() - 2, point.y() - 2, 5, 5).toImage();
        return shot.isNull() ? QColor() : shot.pixelColor(2, 2);
    }

    // The colour on screen at the centre of the viewer window.
    QColor centreColour() const { return colourAt({0.5, 0.5}); }

    TestCamera camera;
    QTemporaryDir directory;
    CameraConfigurationStore store;
    QSettings settings;
    QtScheduler scheduler;
    MPVEngineFactory engines;
    QStringList alerts;
    LogCapture log;
    // A bus standing in for the system bus, when a test wants sleep and wake.
    std::optional<QDBusConnection> sleepWakeBus;
    // The viewer's local time (for the names of snapshots); empty: the system's.
    std::function<QDateTime()> wallClock;
    std::unique_ptr<AppDelegate> delegate;
};

inline bool isBlack(const QColor& colour) {
    return colour.isValid() && colour.red() < 20 && colour.green() < 20 && colour.blue() < 20;
}

// The second path shows a solid blue-violet: far more blue than green.
inline bool isSecondPattern(const QColor& colour) {
    return colour.isValid() && colour.blue() > 150 && colour.blue() > colour.green() + 60;
}

} // namespace rure::test
