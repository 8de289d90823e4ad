#include "LocalNetworkPreflight.h"

#include "common/RureLog.h"

#include <QPointer>
#include <QTcpSocket>

namespace rure {

namespace {

void discardProbe(QTcpSocket* connection, QObject* receiver) {
    QObject::disconnect(connection, nullptr, receiver, nullptr);
    connection->abort();
    // The probe may be finished from inside one of its own signals.
    connection->deleteLater();
}

} // namespace

LocalNetworkPreflight::LocalNetworkPreflight(Scheduler& scheduler, QObject* parent)
    : QObject(parent), scheduler_(scheduler) {}

LocalNetworkPreflight::~LocalNetworkPreflight() {
    cancel();
}

void LocalNetworkPreflight::start(const LocalNetworkPreflightTarget& target, Finished finished) {
    Q_ASSERT(!connection_);
    cancel();
    auto* connection = new QTcpSocket(this);
    connection_ = connection;
    finished_ = std::move(finished);
    const QPointer<QTcpSocket> weakConnection(connection);

    connect(connection, &QTcpSocket::connected, this, [this, weakConnection] {
        RureLog::network().debug(
            QStringLiteral("The local-network preflight reached ready state."));
        // Whatever the socket says after this (the camera closing it before
        // the answer was handled), the camera answered.
        QObject::disconnect(weakConnection, &QTcpSocket::errorOccurred, this, nullptr);
        scheduler_.post(this, [this, weakConnection] { finish(weakConnection, true); });
    });
    nameWasNotFound_ = false;
    connect(connection, &QTcpSocket::errorOccurred, this,
            [this, weakConnection](QAbstractSocket::SocketError error) {
                if (weakConnection == connection_) {
                    nameWasNotFound_ = error == QAbstractSocket::HostNotFoundError;
                }
                RureLog::network().error(QStringLiteral("The local-network preflight failed."));
                scheduler_.post(this, [this, weakConnection] { finish(weakConnection, false); });
            });
    fallback_ = scheduler_.schedule(fallbackDelay, this, [this, weakConnection] {
        if (!weakConnection || weakConnection != connection_) {
            return;
        }
        RureLog::network().debug(QStringLiteral("The local-network preflight fallback elapsed; "
                                                "continuing with playback recovery."));
        finish(weakConnection, true);
    });
    connection->connectToHost(target.host, target.port);
}

void LocalNetworkPreflight::finish(QTcpSocket* connection, bool reachable) {
    // A probe that was cancelled or replaced meanwhile reports nothing.
    if (!connection || connection != connection_) {
        return;
    }
    Finished finished = std::move(finished_);
    cancel();
    finished(reachable);
}

void LocalNetworkPreflight::cancel() {
    fallback_.reset();
    finished_ = {};
    if (connection_) {
        discardProbe(connection_, this);
        connection_ = nullptr;
    }
}

} // namespace rure
