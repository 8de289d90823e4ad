#include "common/QtScheduler.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <memory>

namespace rure::test {
namespace {

void processEventsFor(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

TEST(QtScheduler, runsDelayedAndPostedTasksOnlyWhileTheirOwnerAndHandleLive) {
    QtScheduler scheduler;
    auto owner = std::make_unique<QObject>();
    int delayedRuns = 0;
    int cancelledRuns = 0;
    int orphanedRuns = 0;
    int postedRuns = 0;

    TaskHandle delayed = scheduler.schedule(Seconds(0.01), owner.get(), [&] { ++delayedRuns; });
    TaskHandle cancelled = scheduler.schedule(Seconds(0.01), owner.get(), [&] { ++cancelledRuns; });
    cancelled.reset();
    auto doomed = std::make_unique<QObject>();
    TaskHandle orphaned = scheduler.schedule(Seconds(0.01), doomed.get(), [&] { ++orphanedRuns; });
    scheduler.post(owner.get(), [&] { ++postedRuns; });
    doomed.reset();

    processEventsFor(150);
    EXPECT_EQ(delayedRuns, 1);
    EXPECT_EQ(cancelledRuns, 0);
    EXPECT_EQ(orphanedRuns, 0);
    EXPECT_EQ(postedRuns, 1);
}

TEST(QtScheduler, aTaskMayDestroyItsOwnHandleWhileItRuns) {
    QtScheduler scheduler;
    QObject owner;
    TaskHandle handle;
    int seen = 0;
    const int captured = 42;
    handle = scheduler.schedule(Seconds(0.005), &owner, [&handle, &seen, captured] {
        handle.reset();
        // The captured state must still be readable after the handle went.
        seen = captured;
    });
    processEventsFor(100);
    EXPECT_EQ(seen, 42);
    EXPECT_EQ(handle, nullptr);
}

TEST(QtScheduler, repeatingTasksRepeatUntilCancelled) {
    QtScheduler scheduler;
    QObject owner;
    int runs = 0;
    TaskHandle repeating = scheduler.scheduleRepeating(Seconds(0.01), &owner, [&] { ++runs; });
    processEventsFor(120);
    EXPECT_GE(runs, 3);
    repeating.reset();
    const int afterCancel = runs;
    processEventsFor(60);
    EXPECT_EQ(runs, afterCancel);
}

TEST(QtScheduler, jitterStaysInsideItsInterval) {
    QtScheduler scheduler;
    double lowest = 1.0;
    double highest = 0.0;
    for (int i = 0; i < 10000; ++i) {
        const double value = scheduler.randomUniform(0.0, 0.35);
        ASSERT_GE(value, 0.0);
        ASSERT_LE(value, 0.35);
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    // Spread over the interval, not stuck at one end.
    EXPECT_LT(lowest, 0.02);
    EXPECT_GT(highest, 0.33);
}

} // namespace
} // namespace rure::test
