#pragma once

#include "common/FileDescriptor.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>

#include <functional>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace rure {

// Tells the viewer when the machine is about to sleep and when it woke, from
// logind's PrepareForSleep signal. While awake it holds a delay lock so that
// logind waits for `willSleep` to stop the stream before suspending; the lock is
// handed back right after `willSleep` returns and taken again on wake.
//
// Both callbacks run on the thread of this object. A repeated PrepareForSleep
// with the same value is ignored, so the callbacks alternate, starting with
// `willSleep`. Without a bus or without logind on it nothing is observed; if
// logind appears on the bus later, observing starts then.
class SleepWakeMonitor final : public QObject {
    Q_OBJECT

public:
    // `bus` is the system bus in the application.
    SleepWakeMonitor(QDBusConnection bus, std::function<void()> willSleep,
                     std::function<void()> didWake, QObject* parent = nullptr);
    ~SleepWakeMonitor() override;

    SleepWakeMonitor(const SleepWakeMonitor&) = delete;
    SleepWakeMonitor& operator=(const SleepWakeMonitor&) = delete;

    bool isObserving() const { return observing_; }
    bool holdsSleepDelayLock() const { return lock_.valid(); }

private slots:
    void handlePrepareForSleep(bool start);

private:
    void startObserving();
    void requestLock();
    void lockRequestFinished(QDBusPendingCallWatcher* watcher);

    QDBusConnection bus_;
    std::function<void()> willSleep_;
    std::function<void()> didWake_;
    bool observing_ = false;
    bool sleeping_ = false;
    // A logind delay inhibitor lock: it lasts exactly as long as the descriptor is open.
    FileDescriptor lock_;
    QPointer<QDBusPendingCallWatcher> pendingLock_;
    QDBusServiceWatcher* serviceWatcher_ = nullptr;
};

} // namespace rure
