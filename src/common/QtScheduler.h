#pragma once

#include "Scheduler.h"

namespace rure {

// The Scheduler of the running application: the steady clock, queued
// invocations and QTimers on the GUI thread.
class QtScheduler final : public Scheduler {
public:
    SteadyTime now() const override;
    void post(QObject* context, std::function<void()> task) override;
    TaskHandle schedule(Seconds delay, QObject* context, std::function<void()> task) override;
    TaskHandle scheduleRepeating(Seconds period, QObject* context,
                                 std::function<void()> task) override;
    double randomUniform(double low, double high) override;
};

} // namespace rure
