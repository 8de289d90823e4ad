#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

namespace rure {

using SteadyTime = std::chrono::steady_clock::time_point;
using Seconds = std::chrono::duration<double>;

// A delayed or repeating task. Destroying the handle cancels the task; a task
// whose context object is gone never runs.
class ScheduledTask {
public:
    virtual ~ScheduledTask() = default;
    virtual void cancel() = 0;
};

using TaskHandle = std::unique_ptr<ScheduledTask>;

// Time and the GUI thread's queue, as the controller sees them. The application
// uses the Qt implementation; tests use a manual one whose virtual time they
// advance. Every member is called on the GUI thread and every task runs there.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    virtual SteadyTime now() const = 0;
    // Runs `task` soon, after the current event has been handled, unless
    // `context` has been destroyed by then.
    virtual void post(QObject* context, std::function<void()> task) = 0;
    // Runs `task` once after `delay`.
    virtual TaskHandle schedule(Seconds delay, QObject* context, std::function<void()> task) = 0;
    // Runs `task` every `period` until cancelled.
    virtual TaskHandle scheduleRepeating(Seconds period, QObject* context,
                                         std::function<void()> task) = 0;
    // A uniformly distributed number in [low, high].
    virtual double randomUniform(double low, double high) = 0;
};

// The "distant past": older than any time a clock reports, with room to subtract.
inline SteadyTime distantPast() {
    return SteadyTime(
        std::chrono::duration_cast<SteadyTime::duration>(-std::chrono::hours(24 * 365 * 100)));
}

inline double secondsBetween(SteadyTime earlier, SteadyTime later) {
    return std::chrono::duration_cast<Seconds>(later - earlier).count();
}

} // namespace rure
