#include "EngineTestSupport.h"

#include "engine/MPVEventLoop.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <dlfcn.h>
#include <link.h>

#include <string>
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

void keepGLDriversLoaded() {
    std::vector<std::string> drivers;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            const std::string_view name = info->dlpi_name != nullptr ? info->dlpi_name : "";
            if (name.ends_with("_dri.so")) {
                static_cast<std::vector<std::string>*>(found)->emplace_back(name);
            }
            return 0;
        },
        &drivers);
    for (const std::string& driver : drivers) {
        // Only marks the already loaded library; the handle is never closed.
        dlopen(driver.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
}

MPVHandle makeHeadlessEngine() {
    MPVHandle handle(mpv_create());
    if (!handle) {
        return handle;
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
