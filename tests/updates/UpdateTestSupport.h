#pragma once

#include "updates/RureUpdateCheck.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace rure::test {

// Runs the event loop (and deferred deletions) until `done` holds or
// `milliseconds` pass; returns whether `done` holds.
bool waitUntil(const std::function<bool()>& done, int milliseconds = 20'000);
// Runs the event loop for `milliseconds`, to see that something does not happen.
void keepRunningFor(int milliseconds);

// A manifest document written by hand, not by the code under test.
QByteArray
manifestJson(const QString& version, qint64 build,
             const QString& downloadPage = QStringLiteral("https://didirezoror.com/rure"));

// Counts the completions of update checks and keeps the last outcome.
class CompletionRecorder {
public:
    RureUpdateCheckCompletion completion();
    int calls() const { return calls_; }
    const std::optional<Result<RureUpdateCheckResult>>& last() const { return last_; }

private:
    int calls_ = 0;
    std::optional<Result<RureUpdateCheckResult>> last_;
};

} // namespace rure::test
