#pragma once

#include "common/FileDescriptor.h"
#include "engine/relay/RelayRoute.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace rure::rtsp {

// A relay on the loopback between the engine and the camera it plays, so
// that each picture reaches the decoder as soon as its last packet is in
// (RtspRelayConnection, PictureEnds). One per engine; it listens on
// 127.0.0.1 on a port of its own and sends every connection it accepts to the
// camera last routed. Threads of its own accept and relay; destroying the
// relay stops and joins them.
class RtspRelay {
public:
    RtspRelay();
    ~RtspRelay();
    RtspRelay(const RtspRelay&) = delete;
    RtspRelay& operator=(const RtspRelay&) = delete;

    // The address the engine loads for `cameraAddress`: the relay's, when the
    // relay listens and RelayRoute can route the address; `cameraAddress`
    // itself otherwise. Connections accepted from now on go to this camera.
    QString route(const QString& cameraAddress);

    std::uint16_t port() const { return port_; }

private:
    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void accept();
    void joinFinished();

    FileDescriptor listener_;
    FileDescriptor stop_; // an eventfd: readable once the relay stops
    std::uint16_t port_ = 0;
    std::mutex routeMutex_;
    std::optional<RelayRoute> route_;
    std::shared_ptr<std::atomic<bool>> marksTooSoon_; // of the camera routed
    std::vector<Connection> connections_; // the acceptor's thread only, until it is joined
    std::thread acceptor_;
};

} // namespace rure::rtsp
