#pragma once

#include "TestViewerServices.h"
#include "VirtualTimeFixture.h"

#include "config/CameraConfigurationStore.h"
#include "support/TestCamera.h"
#include "viewer/ViewerParts.h"

#include <memory>

namespace rure::test {

// A controller on virtual time with scripted engines, a real window, a real
// store in a temporary directory, real settings, and a loopback listener that
// plays the cameras' side of the local-network preflight.
class ControllerTest : public VirtualTimeTest {
protected:
    ControllerTest() : store(directory.path() + QStringLiteral("/store")) {}

    ~ControllerTest() override { delegate.reset(); }

    const PlaybackSupervisor& supervisor() const { return delegate->playbackSupervisor(); }

    bool preflightRunning() const override {
        return delegate && delegate->playbackSupervisor().hasPreflight();
    }

    void saveCameras(const QList<Camera>& cameras) {
        ASSERT_TRUE(store.save(cameras).ok());
        log.clear();
    }

    void makeDelegate() {
        delegate = std::make_unique<AppDelegate>(testViewerServices(
            store, settings, scheduler, engines, alerts, sleepWakeBus, directory.path()));
    }

    // Launches and lets the posted start and its preflight finish.
    void launch() {
        makeDelegate();
        delegate->applicationDidFinishLaunching();
        scheduler.runPosted();
        settle();
    }

    // Every log text, to check that no camera name or address leaks into it.
    void expectNoCameraDetailsInLog(const QList<Camera>& cameras) const {
        for (const QString& text : log.texts()) {
            for (const Camera& camera : cameras) {
                EXPECT_FALSE(text.contains(camera.name)) << text.toStdString();
                EXPECT_FALSE(text.contains(camera.url)) << text.toStdString();
            }
        }
    }

    CameraConfigurationStore store;
    // A bus standing in for the system bus, when a test wants sleep and wake.
    std::optional<QDBusConnection> sleepWakeBus;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace rure::test
