#include "EngineTestSupport.h"

#include "engine/MPVEventLoop.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <dlfcn.h>
#include <link.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace rure::test {

bool processEventsUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout.count()) {
            return condition();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void processEventsFor(std::chrono::milliseconds duration) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

int eventLoopThreadCount() {
    const QByteArray expected = QByteArray(MPVEventLoop::queueLabel).left(15);
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == expected) {
            ++count;
        }
    }
    return count;
}

bool eventLoopThreadsGone() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (eventLoopThreadCount() == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return eventLoopThreadCount() == 0;
}

MPVHandle makeHeadlessEngine(std::span<const MPVOption> options) {
    MPVHandle handle(mpv_create());
    if (!handle) {
        return handle;
    }
    for (const MPVOption& option : options) {
        mpv_set_option_string(handle.get(), option.name, option.value);
    }
    mpv_set_option_string(handle.get(), "config", "no");
    mpv_set_option_string(handle.get(), "vo", "null");
    mpv_set_option_string(handle.get(), "audio", "no");
    if (mpv_initialize(handle.get()) < 0) {
        handle.reset();
    }
    return handle;
}

} // namespace rure::test
