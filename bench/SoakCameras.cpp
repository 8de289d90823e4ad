#include "SoakCameras.h"

#include "SoakWait.h"

#include <QMetaObject>

#include <atomic>

namespace rure::bench {

namespace {

// Above the camera's own bounds: 5 s for a command, 15 s for a start, and a
// few seconds of grace for quitting a camera that is still running.
constexpr double commandTimeout = 12.0;
constexpr double startTimeout = 25.0;
constexpr unsigned long threadEndTimeoutMs = 20000;

} // namespace

SoakCameras::SoakCameras() {
    thread_.setObjectName(QStringLiteral("soak cameras"));
    thread_.start();
    context_ = new QObject;
    context_->moveToThread(&thread_);
}

SoakCameras::~SoakCameras() {
    // Stopping each camera is itself bounded (TestCamera asks, then kills).
    QMetaObject::invokeMethod(
        context_,
        [this] {
            for (auto& camera : cameras_) {
                camera.reset();
            }
        },
        Qt::BlockingQueuedConnection);
    thread_.quit();
    if (!thread_.wait(threadEndTimeoutMs)) {
        SoakTimeline::progress(QStringLiteral("the camera thread did not end; leaving it"));
        return;
    }
    // Its thread has ended: nothing can deliver to it any more.
    delete context_;
}

SoakCameraResult SoakCameras::run(int camera, std::function<bool(test::TestCamera&)> action,
                                  double timeoutSeconds) {
    struct Pending {
        std::atomic<bool> done{false};
        SoakCameraResult result;
    };
    auto pending = std::make_shared<Pending>();
    const auto index = static_cast<size_t>(camera);
    QMetaObject::invokeMethod(
        context_,
        [this, index, pending, action = std::move(action)] {
            auto& slot = cameras_.at(index);
            if (!slot) {
                slot = std::make_unique<test::TestCamera>();
            }
            pending->result.ok = action(*slot);
            pending->result.at = SoakClock::now();
            pending->result.switchNanoseconds = slot->lastSwitchNanoseconds();
            pending->done = true;
        },
        Qt::QueuedConnection);
    if (!SoakWait::until([&] { return pending->done.load(); }, timeoutSeconds)) {
        return {};
    }
    return pending->result;
}

bool SoakCameras::start(int camera, const test::TestCameraOptions& options) {
    auto url = std::make_shared<QString>();
    const SoakCameraResult result = run(
        camera,
        [options, url](test::TestCamera& testCamera) {
            const bool started = testCamera.start(options);
            *url = testCamera.url();
            return started;
        },
        startTimeout);
    if (result.ok) {
        urls_.at(static_cast<size_t>(camera)) = *url;
    }
    return result.ok;
}

SoakCameraResult SoakCameras::kill(int camera) {
    return run(
        camera,
        [](test::TestCamera& testCamera) {
            testCamera.kill();
            return !testCamera.isRunning();
        },
        commandTimeout);
}

SoakCameraResult SoakCameras::restart(int camera) {
    return run(
        camera, [](test::TestCamera& testCamera) { return testCamera.restart(); }, startTimeout);
}

SoakCameraResult SoakCameras::stall(int camera) {
    return run(
        camera, [](test::TestCamera& testCamera) { return testCamera.stall(); }, commandTimeout);
}

SoakCameraResult SoakCameras::resume(int camera) {
    return run(
        camera, [](test::TestCamera& testCamera) { return testCamera.resume(); }, commandTimeout);
}

SoakCameraResult SoakCameras::showBlack(int camera) {
    return run(
        camera, [](test::TestCamera& testCamera) { return testCamera.showBlack(); },
        commandTimeout);
}

SoakCameraResult SoakCameras::showWhite(int camera) {
    return run(
        camera, [](test::TestCamera& testCamera) { return testCamera.showWhite(); },
        commandTimeout);
}

SoakCameraResult SoakCameras::showBars(int camera) {
    return run(
        camera, [](test::TestCamera& testCamera) { return testCamera.showPattern(); },
        commandTimeout);
}

} // namespace rure::bench
