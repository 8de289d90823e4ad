#pragma once

#include "common/RureLog.h"

#include <QStringList>

#include <chrono>
#include <mutex>
#include <vector>

namespace rure::test {

// Captures every log entry while alive, instead of writing to standard error.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<RureLogEntry> entries() const;
    // When each entry arrived (steady clock), alongside entries().
    std::vector<std::chrono::steady_clock::time_point> arrivalTimes() const;
    // The texts, in order, optionally of one category only.
    QStringList texts() const;
    QStringList texts(RureLogCategory category) const;
    bool contains(const QString& text) const;
    // How many entries have exactly this text.
    int count(const QString& text) const;
    // True when every text in `expected` occurs, in this order (others may lie between).
    bool containsInOrder(const QStringList& expected) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<RureLogEntry> entries_;
    std::vector<std::chrono::steady_clock::time_point> arrivals_;
    RureLog::Sink previous_;
};

} // namespace rure::test
