// The local-network preflight: a plain TCP connection to the camera before
// every engine start and recovery, so that the camera's reachability is known
// (and any local-network permission settled) before the engine connects.
#include "AppDelegate.h"

#include "common/RureLog.h"
#include "viewer/LocalNetworkPreflightTarget.h"

#include <QTcpSocket>

namespace rure {

namespace {

constexpr Seconds preflightFallbackDelay{1.25};

void discardProbe(QTcpSocket* connection, QObject* receiver) {
    QObject::disconnect(connection, nullptr, receiver, nullptr);
    connection->abort();
    // The probe may be finished from inside one of its own signals.
    connection->deleteLater();
}

} // namespace

void AppDelegate::requestLocalNetworkAccessAndStart() {
    if (cameras.isEmpty() || isClosingViewer || systemIsSleeping || !networkPathIsSatisfied ||
        localNetworkProbe) {
        return;
    }
    const qsizetype index = selectedCameraIndex();
    if (index < 0 || index >= cameras.size()) {
        startOrReloadPlayback();
        return;
    }
    const auto target = localNetworkPreflightTarget(cameras[index].url);
    if (!target) {
        startOrReloadPlayback();
        return;
    }
    RureLog::network().debug(
        QStringLiteral("Beginning private local-network preflight for camera index %1.")
            .arg(index));

    auto* connection = new QTcpSocket(this);
    localNetworkProbe = connection;
    const int64_t generation = playbackSelectionGeneration;
    QPointer<QTcpSocket> weakConnection(connection);
    QPointer<AppDelegate> weakSelf(this);

    // State changes are handed on through the queue, never acted on inside the
    // socket's own signal.
    connect(connection, &QTcpSocket::connected, this, [weakSelf, weakConnection, generation] {
        if (!weakSelf || !weakConnection) {
            return;
        }
        RureLog::network().debug(
            QStringLiteral("The local-network preflight reached ready state."));
        weakSelf->services_.scheduler->post(weakSelf, [weakSelf, weakConnection, generation] {
            if (weakSelf) {
                weakSelf->finishLocalNetworkProbe(weakConnection, true, generation);
            }
        });
    });
    connect(connection, &QTcpSocket::errorOccurred, this, [weakSelf, weakConnection, generation] {
        if (!weakSelf || !weakConnection) {
            return;
        }
        RureLog::network().error(QStringLiteral("The local-network preflight failed."));
        weakSelf->services_.scheduler->post(weakSelf, [weakSelf, weakConnection, generation] {
            if (weakSelf) {
                weakSelf->finishLocalNetworkProbe(weakConnection, false, generation);
            }
        });
    });

    localNetworkProbeFallback = services_.scheduler->schedule(
        preflightFallbackDelay, this, [weakSelf, weakConnection, generation] {
            if (!weakSelf || !weakConnection || weakConnection != weakSelf->localNetworkProbe) {
                return;
            }
            RureLog::network().debug(QStringLiteral("The local-network preflight fallback elapsed; "
                                                    "continuing with playback recovery."));
            weakSelf->finishLocalNetworkProbe(weakConnection, true, generation);
        });

    connection->connectToHost(target->host, target->port);
}

void AppDelegate::finishLocalNetworkProbe(QTcpSocket* connection, bool reloadPlayer,
                                          int64_t generation) {
    if (!connection || connection != localNetworkProbe) {
        return;
    }
    localNetworkProbeFallback.reset();
    discardProbe(connection, this);
    localNetworkProbe = nullptr;

    if (generation != playbackSelectionGeneration || isClosingViewer || systemIsSleeping) {
        return;
    }
    if (!mpv) {
        startPlayer();
    } else if (!reloadPlayer) {
        schedulePlaybackRecovery(QStringLiteral("local-network preflight failed"), false, false);
    } else {
        loadCamera(selectedCameraIndex());
    }
}

void AppDelegate::cancelLocalNetworkProbe() {
    localNetworkProbeFallback.reset();
    if (localNetworkProbe) {
        discardProbe(localNetworkProbe, this);
        localNetworkProbe = nullptr;
    }
}

} // namespace rure
