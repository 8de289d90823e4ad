#pragma once

#include "common/Scheduler.h"

#include <QPointer>

#include <deque>
#include <memory>
#include <vector>

namespace rure::test {

// A Scheduler on virtual time. Nothing runs until the test advances time or
// asks for posted tasks to run; then tasks run in time order (ties in the order
// they were scheduled), and posted tasks run after each task that posted them.
class ManualScheduler final : public Scheduler {
public:
    ManualScheduler();

    SteadyTime now() const override { return now_; }
    void post(QObject* context, std::function<void()> task) override;
    TaskHandle schedule(Seconds delay, QObject* context, std::function<void()> task) override;
    TaskHandle scheduleRepeating(Seconds period, QObject* context,
                                 std::function<void()> task) override;
    // Returns `jitter` clamped into [low, high] (the low end unless set).
    double randomUniform(double low, double high) override;

    void setJitter(double jitter) { jitter_ = jitter; }

    // Moves virtual time forward by `duration`, running everything that falls due.
    void advance(Seconds duration);
    // Runs posted tasks (and what they post) without moving time.
    void runPosted();

    // Delays of the one-shot tasks still pending, from now, in time order.
    std::vector<double> pendingDelays() const;
    size_t pendingTaskCount() const;
    size_t postedTaskCount() const { return posted_.size(); }

private:
    struct Entry {
        uint64_t sequence = 0;
        SteadyTime due;
        SteadyTime::duration period{0}; // zero: one-shot
        QPointer<QObject> context;
        std::function<void()> task;
        std::shared_ptr<bool> cancelled = std::make_shared<bool>(false);
    };
    class Handle;

    bool runNextDueBy(SteadyTime limit);

    SteadyTime now_;
    uint64_t nextSequence_ = 0;
    std::vector<std::shared_ptr<Entry>> entries_;
    std::deque<std::pair<QPointer<QObject>, std::function<void()>>> posted_;
    double jitter_ = 0.0;
};

} // namespace rure::test
