#pragma once

#include "config/CameraConfigurationStore.h"
#include "support/FakePlaybackEngine.h"
#include "support/LogCapture.h"
#include "support/ManualScheduler.h"
#include "support/TestCamera.h"
#include "viewer/AppDelegateTestAccess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace rure::test {

// A controller on virtual time with scripted engines, a real window, a real
// store in a temporary directory, real settings, and a loopback listener that
// plays the cameras' side of the local-network preflight.
class ControllerTest : public ::testing::Test {
protected:
    ControllerTest()
        : store(directory.path() + QStringLiteral("/store")),
          settings(directory.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat) {
        listener.listen(QHostAddress::LocalHost);
    }

    ~ControllerTest() override { delegate.reset(); }

    // An address of a camera whose host accepts connections.
    QString reachableAddress(const QString& path) const {
        return QStringLiteral("rtsp://127.0.0.1:%1/%2").arg(listener.serverPort()).arg(path);
    }

    QList<Camera> threeCameras() const {
        return {{QStringLiteral("Front Door"), reachableAddress(QStringLiteral("front"))},
                {QStringLiteral("Garden"), reachableAddress(QStringLiteral("garden"))},
                {QStringLiteral("Garage"), reachableAddress(QStringLiteral("garage"))}};
    }

    void saveCameras(const QList<Camera>& cameras) {
        ASSERT_TRUE(store.save(cameras).ok());
        log.clear();
    }

    void makeDelegate() {
        delegate = std::make_unique<AppDelegate>(AppDelegateServices{
            .store = &store,
            .settings = &settings,
            .scheduler = &scheduler,
            .engineFactory = &engines,
            .presentPlaybackError = [this](QWidget*, const QString& message) { alerts << message; },
            .sleepWakeBus = sleepWakeBus});
        inspector = std::make_unique<AppDelegateInspector>(*delegate);
    }

    // Launches and lets the posted start and its preflight finish.
    void launch() {
        makeDelegate();
        delegate->applicationDidFinishLaunching();
        scheduler.runPosted();
        settle();
    }

    // Processes real events (sockets) and posted tasks until `done` holds or
    // a generous deadline passes; virtual time does not move.
    bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
        QDeadlineTimer deadline(timeoutMs);
        while (!done()) {
            if (deadline.hasExpired()) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            scheduler.runPosted();
        }
        return true;
    }

    // Waits for a running preflight to finish.
    void settle() {
        pumpUntil([this] { return !inspector || !inspector->hasPreflight(); });
        scheduler.runPosted();
    }

    // Moves virtual time forward in small steps, letting every preflight that
    // begins on the way reach the loopback listener.
    void advanceSettling(Seconds total, Seconds step = Seconds(0.05)) {
        for (Seconds done{0}; done < total; done += step) {
            scheduler.advance(std::min(step, total - done));
            settle();
        }
    }

    FakePlaybackEngine& engine() {
        FakePlaybackEngine* current = engines.current();
        EXPECT_NE(current, nullptr);
        return *current;
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

    QTemporaryDir directory;
    CameraConfigurationStore store;
    QSettings settings;
    ManualScheduler scheduler;
    FakePlaybackEngineFactory engines;
    QStringList alerts;
    LogCapture log;
    QTcpServer listener;
    // A bus standing in for the system bus, when a test wants sleep and wake.
    std::optional<QDBusConnection> sleepWakeBus;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<AppDelegateInspector> inspector;
};

} // namespace rure::test
