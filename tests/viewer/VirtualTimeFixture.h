#pragma once

#include "config/Camera.h"
#include "support/FakePlaybackEngine.h"
#include "support/LogCapture.h"
#include "support/ManualScheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace rure::test {

// What every test of the controller and its supervisor on virtual time shares:
// scripted engines, real settings in a temporary directory, a captured log, and
// a loopback listener that plays the cameras' side of the local-network
// preflight.
class VirtualTimeTest : public ::testing::Test {
protected:
    VirtualTimeTest()
        : settings(directory.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat) {
        listener.listen(QHostAddress::LocalHost);
    }

    // An address of a camera whose host accepts connections.
    QString reachableAddress(const QString& path) const {
        return QStringLiteral("rtsp://127.0.0.1:%1/%2").arg(listener.serverPort()).arg(path);
    }

    QList<Camera> threeCameras() const {
        return {{QStringLiteral("Front Door"), reachableAddress(QStringLiteral("front"))},
                {QStringLiteral("Garden"), reachableAddress(QStringLiteral("garden"))},
                {QStringLiteral("Garage"), reachableAddress(QStringLiteral("garage"))}};
    }

    // Whether a local-network preflight is running now.
    virtual bool preflightRunning() const = 0;

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
        pumpUntil([this] { return !preflightRunning(); });
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

    QTemporaryDir directory;
    QSettings settings;
    ManualScheduler scheduler;
    FakePlaybackEngineFactory engines;
    QStringList alerts;
    LogCapture log;
    QTcpServer listener;
};

} // namespace rure::test
