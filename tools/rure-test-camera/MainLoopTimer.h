#pragma once

#include <glib.h>

#include <functional>

namespace rure::camera {

// A one-shot timer on the default main context that ends with its owner. The
// callback may start the timer again.
class MainLoopTimer {
public:
    explicit MainLoopTimer(std::function<void()> onTimeout);
    ~MainLoopTimer();
    MainLoopTimer(const MainLoopTimer&) = delete;
    MainLoopTimer& operator=(const MainLoopTimer&) = delete;

    // Starts counting `seconds` afresh; the callback runs once at the end.
    void start(double seconds);
    void stop();

private:
    static gboolean onTimeout(gpointer self);

    std::function<void()> callback_;
    guint sourceId_ = 0;
};

} // namespace rure::camera
