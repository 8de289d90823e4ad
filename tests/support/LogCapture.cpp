#include "LogCapture.h"

namespace rure::test {

LogCapture::LogCapture() {
    previous_ = RureLog::setSink([this](const RureLogEntry& entry) {
        std::lock_guard lock(mutex_);
        entries_.push_back(entry);
        arrivals_.push_back(std::chrono::steady_clock::now());
    });
}

LogCapture::~LogCapture() {
    RureLog::setSink(std::move(previous_));
}

std::vector<RureLogEntry> LogCapture::entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::chrono::steady_clock::time_point> LogCapture::arrivalTimes() const {
    std::lock_guard lock(mutex_);
    return arrivals_;
}

QStringList LogCapture::texts() const {
    QStringList result;
    for (const auto& entry : entries()) {
        result << entry.text;
    }
    return result;
}

QStringList LogCapture::texts(RureLogCategory category) const {
    QStringList result;
    for (const auto& entry : entries()) {
        if (entry.category == category) {
            result << entry.text;
        }
    }
    return result;
}

bool LogCapture::contains(const QString& text) const {
    return texts().contains(text);
}

int LogCapture::count(const QString& text) const {
    return static_cast<int>(texts().count(text));
}

bool LogCapture::containsInOrder(const QStringList& expected) const {
    const QStringList all = texts();
    qsizetype position = 0;
    for (const QString& wanted : expected) {
        position = all.indexOf(wanted, position);
        if (position < 0) {
            return false;
        }
        ++position;
    }
    return true;
}

void LogCapture::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    arrivals_.clear();
}

} // namespace rure::test
