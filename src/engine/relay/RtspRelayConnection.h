#pragma once

#include "common/FileDescriptor.h"
#include "engine/relay/PictureEnds.h"
#include "engine/relay/RelayRoute.h"

#include <atomic>
#include <memory>
#include <string>

namespace rure::rtsp {

// One engine connection relayed to its camera, on a thread of its own: the
// engine's requests go to the camera as RelayRoute makes them, the camera's
// answers and packets come back unchanged, each picture closed at its last
// packet (PictureEnds). When the camera cannot be reached, the engine's first
// request is answered "503" with the system's reason ("Connection refused",
// "No route to host"...), the words the engine reports a direct connection's
// failure with (for a name the resolver's: "Name or service not known").
// Ends when either side closes or `stop` becomes readable.
class RtspRelayConnection {
public:
    // `marksTooSoon` is shared by the connections to one camera: set once the
    // camera sent more of a picture after its marker.
    RtspRelayConnection(FileDescriptor player, RelayRoute route,
                        std::shared_ptr<std::atomic<bool>> marksTooSoon, int stop);
    void run();

private:
    enum class Wait { ready, timedOut, ended };

    bool connectCamera();
    // 0 once connected, the reason it failed, or -1 when the engine or the
    // relay went first.
    int attemptCamera(const SocketAddress& address, int milliseconds);
    // Waits for `events` on `fd` (-1 ms: as long as it takes) while keeping
    // what the engine sends; ended when the engine closed or the relay stops.
    Wait waitBuffering(int fd, short events, int milliseconds);
    void answerUnreachable(const std::string& reason);
    // Reads what `from` has; false when it closed or failed.
    bool receive(int from, std::string& into);
    bool sendToCamera();
    bool sendToPlayer();
    bool sendAll(int to, std::string_view data);

    FileDescriptor player_;
    FileDescriptor camera_;
    RelayRoute route_;
    std::shared_ptr<std::atomic<bool>> marksTooSoon_;
    int stop_;
    PictureEnds pictureEnds_;
    std::string fromPlayer_;
    std::string fromCamera_;
    bool playerUnread_ = false; // the engine's bytes no longer read, passed on as they come
    bool cameraUnread_ = false;
};

} // namespace rure::rtsp
