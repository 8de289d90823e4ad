#pragma once

#include "common/FileDescriptor.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>

class QHostInfo;
class QSocketNotifier;

namespace rure {

enum class PortKnockResult {
    accepted,     // a connection was made (and closed at once)
    notAccepted,  // every address refused, failed or could not be tried
    nameNotFound, // the host's name does not resolve
};

// One TCP connection attempt to a host's port, closed as soon as it is made:
// how the viewer asks whether a camera is there without speaking to it.
//
// Each address of the host is tried once, one after the other, until one
// accepts. QTcpSocket is not used because it tries every address twice
// before it reports a failure: each knock on a camera that refuses would be
// two connection attempts.
//
// The result is reported once per start, always later from the event loop,
// never from inside start(). A knock that takes too long is the caller's to
// give up (cancel() or destroying the knock), which reports nothing.
class PortKnock final : public QObject {
public:
    using Finished = std::function<void(PortKnockResult)>;

    explicit PortKnock(QObject* parent = nullptr);
    ~PortKnock() override;

    // Starts a knock, cancelling any running one.
    void start(const QString& host, quint16 port, Finished finished);
    void cancel();
    bool isRunning() const { return static_cast<bool>(finished_); }

private:
    void resolved(const QHostInfo& info);
    void tryNextAddress();
    void attemptSettled();
    void closeAttempt();
    void finishLater(PortKnockResult result);

    quint16 port_ = 0;
    QList<QHostAddress> addresses_;
    int lookupId_ = -1;
    FileDescriptor socket_;
    std::unique_ptr<QSocketNotifier> notifier_;
    Finished finished_;
    // Tells a queued report or look-up answer from a knock since cancelled.
    quint64 generation_ = 0;
};

} // namespace rure
