#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rure::rtsp {

// How one camera is played through the relay: the address the engine is
// given (the relay's, with the camera's scheme, user, password, path and
// query), where the relay connects, and how the engine's requests are turned
// into the ones it would have sent the camera directly.
class RelayRoute {
public:
    // Nothing when `cameraAddress` is not an rtsp:// address whose host is an
    // IPv4 or IPv6 address: a name is resolved by the engine itself, as before.
    static std::optional<RelayRoute> forCamera(std::string_view cameraAddress,
                                               std::uint16_t relayPort);

    const std::string& playerAddress() const { return playerAddress_; }
    const sockaddr* camera() const { return reinterpret_cast<const sockaddr*>(&camera_); }
    socklen_t cameraLength() const { return cameraLength_; }

    // `message`, a whole request from the engine, as the camera must receive
    // it: a request URI that names the relay names the camera, in the form
    // the engine writes it (scheme, host, port, rest), and a Digest
    // authorization made for the relay's URI is made again for the camera's.
    std::string requestForCamera(std::string_view message) const;

private:
    std::string playerAddress_;
    std::string relayPrefix_;
    std::string cameraPrefix_;
    std::vector<std::string> passwords_;
    sockaddr_storage camera_{};
    socklen_t cameraLength_ = 0;
};

} // namespace rure::rtsp
