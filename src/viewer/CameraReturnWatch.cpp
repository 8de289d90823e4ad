#include "CameraReturnWatch.h"

#include <QPointer>
#include <QTcpSocket>

namespace rure {

CameraReturnWatch::CameraReturnWatch(Scheduler& scheduler, QObject* parent)
    : QObject(parent), scheduler_(scheduler) {}

CameraReturnWatch::~CameraReturnWatch() {
    stop();
}

void CameraReturnWatch::start(const LocalNetworkPreflightTarget& target, Answered answered) {
    stop();
    target_ = target;
    answered_ = std::move(answered);
    knocks_ = scheduler_.scheduleRepeating(period, this, [this] { knock(); });
}

void CameraReturnWatch::stop() {
    knocks_.reset();
    answered_ = {};
    dropKnock();
}

void CameraReturnWatch::knock() {
    // A knock still unanswered from the last period is given up for a new one.
    dropKnock();
    auto* connection = new QTcpSocket(this);
    connection_ = connection;
    const QPointer<QTcpSocket> weakConnection(connection);
    // Handed on through the scheduler's queue: the watch's owner may stop it,
    // and so delete the socket, from inside `answered`.
    connect(connection, &QTcpSocket::connected, this, [this, weakConnection] {
        scheduler_.post(this, [this, weakConnection] { accepted(weakConnection); });
    });
    connect(connection, &QTcpSocket::errorOccurred, this, [this, weakConnection] {
        scheduler_.post(this, [this, weakConnection] {
            if (weakConnection && weakConnection == connection_) {
                dropKnock();
            }
        });
    });
    knockLimit_ = scheduler_.schedule(knockTimeLimit, this, [this] { dropKnock(); });
    connection->connectToHost(target_.host, target_.port);
}

void CameraReturnWatch::accepted(QTcpSocket* connection) {
    if (!connection || connection != connection_ || !knocks_) {
        return;
    }
    Answered answered = std::move(answered_);
    stop();
    if (answered) {
        answered();
    }
}

void CameraReturnWatch::dropKnock() {
    knockLimit_.reset();
    if (connection_) {
        QObject::disconnect(connection_, nullptr, this, nullptr);
        connection_->abort();
        connection_->deleteLater();
        connection_ = nullptr;
    }
}

} // namespace rure
