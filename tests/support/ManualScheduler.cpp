#include "ManualScheduler.h"

#include <algorithm>

namespace rure::test {

class ManualScheduler::Handle final : public ScheduledTask {
public:
    explicit Handle(std::shared_ptr<bool> cancelled) : cancelled_(std::move(cancelled)) {}
    ~Handle() override { cancel(); }
    void cancel() override { *cancelled_ = true; }

private:
    std::shared_ptr<bool> cancelled_;
};

ManualScheduler::ManualScheduler()
    : now_(SteadyTime(std::chrono::duration_cast<SteadyTime::duration>(std::chrono::hours(1000)))) {
}

void ManualScheduler::post(QObject* context, std::function<void()> task) {
    posted_.emplace_back(QPointer<QObject>(context), std::move(task));
}

TaskHandle ManualScheduler::schedule(Seconds delay, QObject* context, std::function<void()> task) {
    auto entry = std::make_shared<Entry>();
    entry->sequence = nextSequence_++;
    entry->due = now_ + std::chrono::duration_cast<SteadyTime::duration>(delay);
    entry->context = context;
    entry->task = std::move(task);
    entries_.push_back(entry);
    return std::make_unique<Handle>(entry->cancelled);
}

TaskHandle ManualScheduler::scheduleRepeating(Seconds period, QObject* context,
                                              std::function<void()> task) {
    auto entry = std::make_shared<Entry>();
    entry->sequence = nextSequence_++;
    entry->period = std::chrono::duration_cast<SteadyTime::duration>(period);
    entry->due = now_ + entry->period;
    entry->context = context;
    entry->task = std::move(task);
    entries_.push_back(entry);
    return std::make_unique<Handle>(entry->cancelled);
}

double ManualScheduler::randomUniform(double low, double high) {
    return std::clamp(jitter_, low, high);
}

void ManualScheduler::runPosted() {
    while (!posted_.empty()) {
        auto [context, task] = std::move(posted_.front());
        posted_.pop_front();
        if (context) {
            task();
        }
    }
}

bool ManualScheduler::runNextDueBy(SteadyTime limit) {
    std::erase_if(entries_, [](const auto& entry) { return *entry->cancelled || !entry->context; });
    auto next =
        std::min_element(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
            return a->due != b->due ? a->due < b->due : a->sequence < b->sequence;
        });
    if (next == entries_.end() || (*next)->due > limit) {
        return false;
    }
    std::shared_ptr<Entry> entry = *next;
    now_ = entry->due;
    if (entry->period.count() == 0) {
        entries_.erase(next);
        *entry->cancelled = true;
    } else {
        entry->due += entry->period;
        entry->sequence = nextSequence_++;
    }
    // The task may cancel or replace itself; run a copy.
    std::function<void()> task = entry->task;
    task();
    runPosted();
    return true;
}

void ManualScheduler::advance(Seconds duration) {
    runPosted();
    const SteadyTime limit = now_ + std::chrono::duration_cast<SteadyTime::duration>(duration);
    while (runNextDueBy(limit)) {
    }
    now_ = limit;
    runPosted();
}

std::vector<double> ManualScheduler::pendingDelays() const {
    std::vector<std::shared_ptr<Entry>> pending;
    for (const auto& entry : entries_) {
        if (!*entry->cancelled && entry->context && entry->period.count() == 0) {
            pending.push_back(entry);
        }
    }
    std::sort(pending.begin(), pending.end(),
              [](const auto& a, const auto& b) { return a->due < b->due; });
    std::vector<double> delays;
    for (const auto& entry : pending) {
        delays.push_back(secondsBetween(now_, entry->due));
    }
    return delays;
}

size_t ManualScheduler::pendingTaskCount() const {
    return static_cast<size_t>(std::count_if(entries_.begin(), entries_.end(), [](const auto& e) {
        return !*e->cancelled && e->context;
    }));
}

} // namespace rure::test
