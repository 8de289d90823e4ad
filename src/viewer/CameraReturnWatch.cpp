#include "CameraReturnWatch.h"

#include <QPointer>
#include <QTcpSocket>

namespace rure {

CameraReturnWatch::CameraReturnWatch(Scheduler& scheduler, QObject* parent)
    : QObject(parent), scheduler_(scheduler) {}

CameraReturnWatch::~CameraReturnWatch() {
    stop();
}

void CameraReturnWatch::start(const LocalNetworkPreflightTarget& target, NextKnock nextKnock,
                              Answered answered) {
    stop();
    target_ = target;
    nextKnock_ = std::move(nextKnock);
    answered_ = std::move(answered);
    watching_ = true;
    scheduleKnock();
}

void CameraReturnWatch::stop() {
    watching_ = false;
    knocks_.reset();
    nextKnock_ = {};
    answered_ = {};
    dropKnock();
}

void CameraReturnWatch::scheduleKnock() {
    knocks_.reset();
    const std::optional<Seconds> wait = nextKnock_ ? nextKnock_() : std::nullopt;
    if (!wait) {
        return;
    }
    knocks_ = scheduler_.schedule(*wait, this, [this, wait] {
        knock(std::min(*wait, std::chrono::duration_cast<Seconds>(knockTimeLimit)));
        scheduleKnock();
    });
}

void CameraReturnWatch::knock(Seconds timeLimit) {
    // A knock still unanswered from the last period is given up for a new one.
    dropKnock();
    ++knocksMade_;
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
    knockLimit_ = scheduler_.schedule(timeLimit, this, [this] { dropKnock(); });
    connection->connectToHost(target_.host, target_.port);
}

void CameraReturnWatch::accepted(QTcpSocket* connection) {
    if (!connection || connection != connection_ || !watching_) {
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
