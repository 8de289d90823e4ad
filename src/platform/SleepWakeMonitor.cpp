#include "SleepWakeMonitor.h"

#include "common/RureLog.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <utility>

namespace rure {

namespace {

const QString loginService = QStringLiteral("org.freedesktop.login1");
const QString loginPath = QStringLiteral("/org/freedesktop/login1");
const QString loginManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString prepareForSleepSignal = QStringLiteral("PrepareForSleep");

} // namespace

SleepWakeMonitor::SleepWakeMonitor(QDBusConnection bus, std::function<void()> willSleep,
                                   std::function<void()> didWake, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), willSleep_(std::move(willSleep)),
      didWake_(std::move(didWake)) {
    if (!bus_.isConnected() || bus_.interface() == nullptr) {
        RureLog::lifecycle().info(
            QStringLiteral("No system bus; system sleep and wake are not observed."));
        return;
    }
    if (bus_.interface()->isServiceRegistered(loginService)) {
        startObserving();
        return;
    }
    RureLog::lifecycle().info(
        QStringLiteral("logind is not on the system bus; sleep and wake are observed once it is."));
    // logind may start after the viewer (or restart); noticing that costs one
    // match rule on the bus.
    serviceWatcher_ = new QDBusServiceWatcher(loginService, bus_,
                                              QDBusServiceWatcher::WatchForRegistration, this);
    connect(serviceWatcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        serviceWatcher_->deleteLater();
        serviceWatcher_ = nullptr;
        startObserving();
    });
}

SleepWakeMonitor::~SleepWakeMonitor() {
    if (observing_) {
        bus_.disconnect(loginService, loginPath, loginManagerInterface, prepareForSleepSignal, this,
                        SLOT(handlePrepareForSleep(bool)));
    }
    // A lock request still in flight is abandoned with its watcher (a child);
    // the descriptor in its reply is closed with the reply.
}

void SleepWakeMonitor::startObserving() {
    if (observing_) {
        return;
    }
    if (!bus_.connect(loginService, loginPath, loginManagerInterface, prepareForSleepSignal, this,
                      SLOT(handlePrepareForSleep(bool)))) {
        RureLog::lifecycle().error(
            QStringLiteral("Could not subscribe to logind's sleep signal: %1.")
                .arg(bus_.lastError().message()));
        return;
    }
    observing_ = true;
    RureLog::lifecycle().info(QStringLiteral("Observing system sleep and wake through logind."));
    requestLock();
}

void SleepWakeMonitor::requestLock() {
    if (lock_.valid() || pendingLock_) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        loginService, loginPath, loginManagerInterface, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Rure")
         << QStringLiteral("Stopping the camera stream before the system sleeps")
         << QStringLiteral("delay");
    // Asynchronous: a slow or stuck logind must never hold up the GUI thread.
    pendingLock_ = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(pendingLock_, &QDBusPendingCallWatcher::finished, this,
            &SleepWakeMonitor::lockRequestFinished);
}

void SleepWakeMonitor::lockRequestFinished(QDBusPendingCallWatcher* watcher) {
    // The reply keeps its own copy of the descriptor open until the watcher goes.
    watcher->deleteLater();
    pendingLock_ = nullptr;
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
    if (reply.isError()) {
        RureLog::lifecycle().notice(QStringLiteral("logind refused the sleep delay lock: %1.")
                                        .arg(reply.error().message()));
        return;
    }
    const QDBusUnixFileDescriptor descriptor = reply.value();
    if (!descriptor.isValid()) {
        RureLog::lifecycle().notice(
            QStringLiteral("logind returned no descriptor for the sleep delay lock."));
        return;
    }
    const int own = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (own < 0) {
        RureLog::lifecycle().error(QStringLiteral("Could not keep the sleep delay lock."));
        return;
    }
    lock_ = FileDescriptor(own);
    RureLog::lifecycle().debug(QStringLiteral("Holding the sleep delay lock."));
}

void SleepWakeMonitor::handlePrepareForSleep(bool start) {
    if (start == sleeping_) {
        return;
    }
    sleeping_ = start;
    if (start) {
        RureLog::lifecycle().info(QStringLiteral("The system is about to sleep."));
        // A lock granted from now on would only delay the next sleep.
        delete pendingLock_.data();
        if (willSleep_) {
            willSleep_();
        }
        // Only now may logind suspend: the stream has been stopped.
        lock_.close();
        return;
    }
    RureLog::lifecycle().info(QStringLiteral("The system woke."));
    requestLock();
    if (didWake_) {
        didWake_();
    }
}

} // namespace rure
