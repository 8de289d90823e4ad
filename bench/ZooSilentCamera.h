#pragma once

#include <atomic>
#include <thread>

namespace rure::bench {

// A camera that is there and says nothing: a TCP listener on 127.0.0.1 that
// accepts every connection, reads and discards what arrives and never sends a
// byte, until the client gives up. Runs on a thread of its own; the port
// closes with the object.
class ZooSilentCamera {
public:
    ZooSilentCamera();
    ~ZooSilentCamera();
    ZooSilentCamera(const ZooSilentCamera&) = delete;
    ZooSilentCamera& operator=(const ZooSilentCamera&) = delete;

    // 0 when the port could not be opened.
    int port() const { return port_; }

private:
    void run();

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace rure::bench
