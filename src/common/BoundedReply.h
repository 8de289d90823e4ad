#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <chrono>

class QNetworkReply;

namespace rure {

// One network exchange that ends once: the body of its reply read within a
// size limit (the bodies of earlier replies in a chain of redirects count
// against it), one deadline for the whole exchange, and an end after which
// nothing of it runs again. The exchange deletes itself once it has ended:
// later, from the event loop, since it may end inside one of its reply's
// signals; at once when cancelled. Subclasses say what a reply means and
// call their completion when they end. GUI thread.
class BoundedReply : public QObject {
public:
    // Aborts the exchange and deletes it at once, without its completion.
    // Does nothing once it has ended.
    void cancel();
    bool hasEnded() const { return ended_; }

protected:
    BoundedReply(qsizetype bodyLimit, std::chrono::milliseconds timeLimit,
                 QObject* parent = nullptr);

    // Reads `reply` (which this exchange takes) from now on; the reply read
    // before, if any, is let go and its body counts against the limit.
    void attach(QNetworkReply* reply);
    // Starts the deadline, once, for the whole exchange.
    void startDeadline();
    QNetworkReply* reply() const { return reply_; }
    const QByteArray& body() const { return body_; }

    // The current reply has finished and its whole body is within the limit.
    virtual void replyFinished() = 0;
    // The body passed the limit, or the deadline passed: the reply has been
    // aborted, and the subclass ends with the matching failure.
    virtual void bodyTooLarge() = 0;
    virtual void deadlinePassed() = 0;
    // Cancelled: the completion must never run.
    virtual void dropCompletion() = 0;

    // Ends the exchange; false when it had ended already. The subclass then
    // calls its completion.
    bool end();
    // Aborts the current reply without hearing from it again.
    void abortReply();

private:
    bool takeAvailableBytes();
    void readBody();
    void finished();

    const qsizetype bodyLimit_;
    const std::chrono::milliseconds timeLimit_;
    QNetworkReply* reply_ = nullptr;
    QTimer deadline_{this};
    QByteArray body_;
    qsizetype earlierBodiesSize_ = 0;
    bool ended_ = false;
};

} // namespace rure
