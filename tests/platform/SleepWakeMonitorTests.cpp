#include "platform/SleepWakeMonitor.h"

#include "support/FakeLogind.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace rure::test {
namespace {

constexpr int deadlineMilliseconds = 10000;

void processEventsFor(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// What the monitor called, and whether logind's lock was still held then.
struct Calls {
    int willSleep = 0;
    int didWake = 0;
    bool lockHeldDuringWillSleep = false;
    QStringList order;
};

std::unique_ptr<SleepWakeMonitor> makeMonitor(QDBusConnection bus, Calls& calls,
                                              const FakeLogind* logind = nullptr) {
    return std::make_unique<SleepWakeMonitor>(
        std::move(bus),
        [&calls, logind] {
            ++calls.willSleep;
            calls.lockHeldDuringWillSleep = logind != nullptr && logind->lastLockIsHeld();
            calls.order.append(QStringLiteral("willSleep"));
        },
        [&calls] {
            ++calls.didWake;
            calls.order.append(QStringLiteral("didWake"));
        });
}

TEST(SleepWakeMonitor, holdsADelayLockWhileAwakeAndHandsItBackOnlyAfterWillSleep) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.errorText().toStdString();
    FakeLogind logind(bus.connect());
    ASSERT_TRUE(logind.isRegistered());
    Calls calls;
    auto monitor = makeMonitor(bus.connect(), calls, &logind);

    EXPECT_TRUE(monitor->isObserving());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return monitor->holdsSleepDelayLock(); }, deadlineMilliseconds));
    EXPECT_EQ(logind.inhibitCallCount(), 1);
    EXPECT_EQ(logind.lastInhibitArguments(),
              (QStringList{QStringLiteral("sleep"), QStringLiteral("Rure"),
                           QStringLiteral("Stopping the camera stream before the system sleeps"),
                           QStringLiteral("delay")}));
    EXPECT_TRUE(logind.lastLockIsHeld());

    // Two full cycles: the second proves the lock taken on wake works like the first.
    for (int cycle = 1; cycle <= 2; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_TRUE(logind.emitPrepareForSleep(true));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return calls.willSleep == cycle; }, deadlineMilliseconds));
        EXPECT_TRUE(calls.lockHeldDuringWillSleep);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return logind.heldLockCount() == 0; }, deadlineMilliseconds));
        EXPECT_FALSE(monitor->holdsSleepDelayLock());

        // logind says it once per sleep; a repeat must not stop the stream twice.
        ASSERT_TRUE(logind.emitPrepareForSleep(true));
        processEventsFor(200);
        EXPECT_EQ(calls.willSleep, cycle);
        EXPECT_EQ(logind.inhibitCallCount(), cycle);

        ASSERT_TRUE(logind.emitPrepareForSleep(false));
        ASSERT_TRUE(QTest::qWaitFor([&] { return calls.didWake == cycle; }, deadlineMilliseconds));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return monitor->holdsSleepDelayLock(); }, deadlineMilliseconds));
        EXPECT_EQ(logind.inhibitCallCount(), cycle + 1);
        EXPECT_TRUE(logind.lastLockIsHeld());
        EXPECT_EQ(logind.heldLockCount(), 1);
    }
    EXPECT_EQ(calls.order, (QStringList{QStringLiteral("willSleep"), QStringLiteral("didWake"),
                                        QStringLiteral("willSleep"), QStringLiteral("didWake")}));

    monitor.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.heldLockCount() == 0; }, deadlineMilliseconds));
    // Nothing observes any more: a late signal reaches no one.
    ASSERT_TRUE(logind.emitPrepareForSleep(true));
    processEventsFor(200);
    EXPECT_EQ(calls.willSleep, 2);
}

TEST(SleepWakeMonitor, aLockGrantedOnlyAfterSleepBeganIsNotKept) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.errorText().toStdString();
    FakeLogind logind(bus.connect());
    ASSERT_TRUE(logind.isRegistered());
    logind.setHoldsCalls(true);
    Calls calls;
    auto monitor = makeMonitor(bus.connect(), calls, &logind);

    ASSERT_TRUE(QTest::qWaitFor([&] { return logind.heldCallCount() == 1; }, deadlineMilliseconds));
    EXPECT_FALSE(monitor->holdsSleepDelayLock());
    ASSERT_TRUE(logind.emitPrepareForSleep(true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.willSleep == 1; }, deadlineMilliseconds));

    logind.answerHeldCalls();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return logind.inhibitCallCount() == 1 && !logind.lastLockIsHeld(); },
                        deadlineMilliseconds));
    processEventsFor(200);
    EXPECT_FALSE(logind.lastLockIsHeld());
    EXPECT_FALSE(monitor->holdsSleepDelayLock());

    // On wake a fresh request goes out, and its late answer is kept.
    ASSERT_TRUE(logind.emitPrepareForSleep(false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.didWake == 1 && logind.heldCallCount() == 1; },
                                deadlineMilliseconds));
    logind.answerHeldCalls();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return monitor->holdsSleepDelayLock(); }, deadlineMilliseconds));
    EXPECT_TRUE(logind.lastLockIsHeld());
    EXPECT_EQ(logind.inhibitCallCount(), 2);
}

TEST(SleepWakeMonitor, keepsObservingWhenLogindRefusesTheLock) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.errorText().toStdString();
    FakeLogind logind(bus.connect());
    ASSERT_TRUE(logind.isRegistered());
    logind.setRefusesLocks(true);
    Calls calls;
    auto monitor = makeMonitor(bus.connect(), calls, &logind);

    EXPECT_TRUE(monitor->isObserving());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return logind.inhibitCallCount() == 1; }, deadlineMilliseconds));
    ASSERT_TRUE(logind.emitPrepareForSleep(true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.willSleep == 1; }, deadlineMilliseconds));
    ASSERT_TRUE(logind.emitPrepareForSleep(false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.didWake == 1; }, deadlineMilliseconds));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return logind.inhibitCallCount() == 2; }, deadlineMilliseconds));
    EXPECT_FALSE(monitor->holdsSleepDelayLock());
    EXPECT_EQ(logind.heldLockCount(), 0);
}

TEST(SleepWakeMonitor, withoutLogindObservesNothingUntilLogindAppears) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.errorText().toStdString();
    Calls calls;
    auto monitor = makeMonitor(bus.connect(), calls);

    EXPECT_FALSE(monitor->isObserving());
    processEventsFor(200);
    EXPECT_FALSE(monitor->holdsSleepDelayLock());

    FakeLogind logind(bus.connect());
    ASSERT_TRUE(logind.isRegistered());
    EXPECT_TRUE(QTest::qWaitFor([&] { return monitor->isObserving() && logind.lastLockIsHeld(); },
                                deadlineMilliseconds));
    EXPECT_EQ(logind.inhibitCallCount(), 1);
    ASSERT_TRUE(logind.emitPrepareForSleep(true));
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls.willSleep == 1; }, deadlineMilliseconds));
}

TEST(SleepWakeMonitor, survivesAMissingOrVanishingBus) {
    {
        QTemporaryDir directory;
        ASSERT_TRUE(directory.isValid());
        // A socket path below a directory that does not exist: no bus there.
        const QString name = QStringLiteral("rure-test-no-bus");
        QDBusConnection unconnected = QDBusConnection::connectToBus(
            QStringLiteral("unix:path=%1/missing/bus").arg(directory.path()), name);
        ASSERT_FALSE(unconnected.isConnected());
        Calls calls;
        auto monitor = makeMonitor(unconnected, calls);
        EXPECT_FALSE(monitor->isObserving());
        EXPECT_FALSE(monitor->holdsSleepDelayLock());
        processEventsFor(100);
        monitor.reset();
        QDBusConnection::disconnectFromBus(name);
        EXPECT_EQ(calls.willSleep + calls.didWake, 0);
    }

    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.errorText().toStdString();
    FakeLogind logind(bus.connect());
    ASSERT_TRUE(logind.isRegistered());
    Calls calls;
    auto monitor = makeMonitor(bus.connect(), calls, &logind);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return monitor->holdsSleepDelayLock(); }, deadlineMilliseconds));
    bus.stop();
    processEventsFor(200);
    EXPECT_EQ(calls.willSleep + calls.didWake, 0);
    // The descriptor outlives the bus; the monitor still closes it.
    EXPECT_TRUE(logind.lastLockIsHeld());
    monitor.reset();
    EXPECT_FALSE(logind.lastLockIsHeld());
}

} // namespace
} // namespace rure::test
