#include "QtScheduler.h"

#include <QMetaObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>

#include <memory>

namespace rure {

namespace {

class TimerTask final : public ScheduledTask {
public:
    TimerTask(Seconds interval, bool repeating, QObject* context, std::function<void()> task)
        : context_(context), task_(std::move(task)), timer_(new QTimer) {
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setSingleShot(!repeating);
        timer_->setInterval(std::chrono::milliseconds(
            static_cast<qint64>(std::max(0.0, interval.count()) * 1000.0 + 0.5)));
        QObject::connect(timer_, &QTimer::timeout, timer_, [this] { fire(); });
        timer_->start();
    }

    ~TimerTask() override {
        // The task may be destroyed from inside its own timeout (a task that
        // clears its own handle), so the timer goes later, not now.
        timer_->stop();
        timer_->disconnect();
        if (*firing_) {
            timer_->deleteLater();
        } else {
            delete timer_;
        }
        *firing_ = false;
    }

    void cancel() override { timer_->stop(); }

private:
    void fire() {
        // Shared so that the flag outlives this object when the task destroys it.
        const std::shared_ptr<bool> firing = firing_;
        *firing = true;
        struct Reset {
            std::shared_ptr<bool> flag;
            ~Reset() { *flag = false; }
        } reset{firing};
        if (!context_) {
            timer_->stop();
            return;
        }
        if (timer_->isSingleShot()) {
            // Running the task may destroy this object: keep the callable alive
            // on the stack and touch nothing of ours afterwards.
            std::function<void()> task = std::move(task_);
            task();
            return;
        }
        std::function<void()> task = task_;
        task();
    }

    QPointer<QObject> context_;
    std::function<void()> task_;
    QTimer* timer_;
    std::shared_ptr<bool> firing_ = std::make_shared<bool>(false);
};

} // namespace

SteadyTime QtScheduler::now() const {
    return std::chrono::steady_clock::now();
}

void QtScheduler::post(QObject* context, std::function<void()> task) {
    QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
}

TaskHandle QtScheduler::schedule(Seconds delay, QObject* context, std::function<void()> task) {
    return std::make_unique<TimerTask>(delay, false, context, std::move(task));
}

TaskHandle QtScheduler::scheduleRepeating(Seconds period, QObject* context,
                                          std::function<void()> task) {
    return std::make_unique<TimerTask>(period, true, context, std::move(task));
}

double QtScheduler::randomUniform(double low, double high) {
    return low + (high - low) * QRandomGenerator::global()->generateDouble();
}

} // namespace rure
