#pragma once

#include "SoakTimeline.h"

#include "support/TestCamera.h"

#include <QObject>
#include <QThread>

#include <array>
#include <functional>
#include <memory>

namespace rure::bench {

// What a camera command came to: whether the camera confirmed it, when that
// confirmation arrived, and the camera's clock at its last picture switch.
struct SoakCameraResult {
    bool ok = false;
    SoakClock::time_point at{};
    qint64 switchNanoseconds = -1;
};

// The soak's two test cameras, driven from a thread of their own: a camera
// command blocks until the camera confirms it (a restart for seconds), and the
// viewer's GUI thread must never wait on that. The cameras end with this
// object (and, through their parent-death signal, with the thread that started
// them).
class SoakCameras {
public:
    static constexpr int count = 2;

    SoakCameras();
    ~SoakCameras();
    SoakCameras(const SoakCameras&) = delete;
    SoakCameras& operator=(const SoakCameras&) = delete;

    bool start(int camera, const test::TestCameraOptions& options);
    QString url(int camera) const { return urls_.at(static_cast<size_t>(camera)); }

    SoakCameraResult kill(int camera);
    SoakCameraResult restart(int camera);
    SoakCameraResult stall(int camera);
    SoakCameraResult resume(int camera);
    SoakCameraResult showBlack(int camera);
    SoakCameraResult showWhite(int camera);
    SoakCameraResult showBars(int camera);

private:
    // Runs `action` on the camera thread and waits for it, the GUI thread's
    // events flowing, for at most `timeoutSeconds`.
    SoakCameraResult run(int camera, std::function<bool(test::TestCamera&)> action,
                         double timeoutSeconds);

    QThread thread_;
    QObject* context_ = nullptr; // lives on thread_
    // Created, used and destroyed on thread_ only.
    std::array<std::unique_ptr<test::TestCamera>, count> cameras_;
    std::array<QString, count> urls_;
};

} // namespace rure::bench
