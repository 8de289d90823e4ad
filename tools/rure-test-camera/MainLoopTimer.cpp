#include "MainLoopTimer.h"

#include <cmath>

namespace rure::camera {

MainLoopTimer::MainLoopTimer(std::function<void()> onTimeout) : callback_(std::move(onTimeout)) {}

MainLoopTimer::~MainLoopTimer() {
    stop();
}

void MainLoopTimer::start(double seconds) {
    stop();
    const auto milliseconds = static_cast<guint>(std::llround(seconds * 1000));
    sourceId_ = g_timeout_add(milliseconds, &MainLoopTimer::onTimeout, this);
}

void MainLoopTimer::stop() {
    if (sourceId_ != 0) {
        g_source_remove(sourceId_);
        sourceId_ = 0;
    }
}

gboolean MainLoopTimer::onTimeout(gpointer self) {
    auto* timer = static_cast<MainLoopTimer*>(self);
    timer->sourceId_ = 0;
    timer->callback_();
    return G_SOURCE_REMOVE;
}

} // namespace rure::camera
