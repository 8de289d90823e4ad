#include "UpdateTestSupport.h"

#include <QTest>

namespace rure::test {

bool waitUntil(const std::function<bool()>& done, int milliseconds) {
    return QTest::qWaitFor(done, milliseconds);
}

void keepRunningFor(int milliseconds) {
    QTest::qWait(milliseconds);
}

QByteArray manifestJson(const QString& version, qint64 build, const QString& downloadPage) {
    return QStringLiteral(R"({"version": "%1", "build": %2, "downloadPage": "%3"})")
        .arg(version)
        .arg(build)
        .arg(downloadPage)
        .toUtf8();
}

RureUpdateCheckCompletion CompletionRecorder::completion() {
    return [this](Result<RureUpdateCheckResult> result) {
        ++calls_;
        last_.emplace(std::move(result));
    };
}

} // namespace rure::test
