#include "BoundedReply.h"

#include "BoundedRead.h"

#include <QNetworkReply>

namespace rure {

BoundedReply::BoundedReply(qsizetype bodyLimit, std::chrono::milliseconds timeLimit,
                           QObject* parent)
    : QObject(parent), bodyLimit_(bodyLimit), timeLimit_(timeLimit) {
    deadline_.setObjectName(QStringLiteral("deadline"));
    deadline_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: 0.75 s of 15 s.
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        abortReply();
        deadlinePassed();
    });
}

void BoundedReply::startDeadline() {
    deadline_.start(timeLimit_);
}

void BoundedReply::attach(QNetworkReply* reply) {
    if (reply_) {
        earlierBodiesSize_ += body_.size();
        body_.clear();
        disconnect(reply_, nullptr, this, nullptr);
        // Later, not now: this may run inside the reply's finished signal.
        reply_->deleteLater();
    }
    reply_ = reply;
    reply_->setParent(this);
    // Bounds what the reply buffers for us to about what we accept.
    reply_->setReadBufferSize(bodyLimit_ - earlierBodiesSize_ + 1);
    connect(reply_, &QNetworkReply::readyRead, this, &BoundedReply::readBody);
    connect(reply_, &QNetworkReply::finished, this, &BoundedReply::finished);
}

bool BoundedReply::takeAvailableBytes() {
    return readBounded(*reply_, body_, bodyLimit_ - earlierBodiesSize_);
}

void BoundedReply::readBody() {
    if (!takeAvailableBytes()) {
        abortReply();
        bodyTooLarge();
    }
}

void BoundedReply::finished() {
    if (!takeAvailableBytes()) {
        abortReply();
        bodyTooLarge();
        return;
    }
    replyFinished();
}

void BoundedReply::abortReply() {
    if (reply_) {
        // Disconnected first: abort() reports through the same signals.
        disconnect(reply_, nullptr, this, nullptr);
        reply_->abort();
    }
}

bool BoundedReply::end() {
    if (ended_) {
        return false;
    }
    ended_ = true;
    deadline_.stop();
    if (reply_) {
        disconnect(reply_, nullptr, this, nullptr);
    }
    deleteLater();
    return true;
}

void BoundedReply::cancel() {
    if (ended_) {
        return;
    }
    ended_ = true;
    dropCompletion();
    deadline_.stop();
    abortReply();
    delete this;
}

} // namespace rure
