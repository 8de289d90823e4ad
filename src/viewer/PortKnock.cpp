#include "PortKnock.h"

#include "platform/SocketAddress.h"

#include <QHostInfo>
#include <QMetaObject>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/socket.h>

namespace rure {

PortKnock::PortKnock(QObject* parent) : QObject(parent) {}

PortKnock::~PortKnock() {
    cancel();
}

void PortKnock::start(const QString& host, quint16 port, Finished finished) {
    cancel();
    port_ = port;
    finished_ = std::move(finished);
    const QHostAddress literal(host);
    if (!literal.isNull()) {
        // The connection is begun at once; its outcome is still reported later.
        addresses_ = {literal};
        tryNextAddress();
        return;
    }
    lookupId_ =
        QHostInfo::lookupHost(host, this, [this](const QHostInfo& info) { resolved(info); });
}

void PortKnock::cancel() {
    ++generation_;
    if (lookupId_ >= 0) {
        QHostInfo::abortHostLookup(lookupId_);
        lookupId_ = -1;
    }
    closeAttempt();
    addresses_.clear();
    finished_ = {};
}

void PortKnock::resolved(const QHostInfo& info) {
    if (info.lookupId() != lookupId_) {
        return;
    }
    lookupId_ = -1;
    if (info.error() == QHostInfo::HostNotFound) {
        finishLater(PortKnockResult::nameNotFound);
        return;
    }
    addresses_ = info.addresses();
    tryNextAddress();
}

void PortKnock::tryNextAddress() {
    closeAttempt();
    while (!addresses_.isEmpty()) {
        const QHostAddress address = addresses_.takeFirst();
        socklen_t length = 0;
        const sockaddr_storage target = socketAddressOf(address, port_, length);
        if (length == 0) {
            continue;
        }
        FileDescriptor socket(
            ::socket(target.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!socket.valid()) {
            continue;
        }
        int result = 0;
        do {
            result = ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&target), length);
        } while (result != 0 && errno == EINTR);
        if (result == 0) {
            finishLater(PortKnockResult::accepted);
            return;
        }
        if (errno != EINPROGRESS) {
            continue;
        }
        socket_ = std::move(socket);
        notifier_ = std::make_unique<QSocketNotifier>(socket_.get(), QSocketNotifier::Write);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { attemptSettled(); });
        return;
    }
    finishLater(PortKnockResult::notAccepted);
}

void PortKnock::attemptSettled() {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        error = errno;
    }
    if (error == 0) {
        closeAttempt();
        finishLater(PortKnockResult::accepted);
        return;
    }
    // Deleting the notifier from inside its own signal is safe only later.
    notifier_->setEnabled(false);
    notifier_.release()->deleteLater();
    tryNextAddress();
}

void PortKnock::closeAttempt() {
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
    socket_ = FileDescriptor();
}

void PortKnock::finishLater(PortKnockResult result) {
    const quint64 generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation, result] {
            if (generation != generation_ || !finished_) {
                return;
            }
            Finished finished = std::move(finished_);
            finished_ = {};
            finished(result);
        },
        Qt::QueuedConnection);
}

} // namespace rure
