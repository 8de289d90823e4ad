#pragma once

#include "engine/relay/NameLookup.h"

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
    // Nothing when `cameraAddress` is not an rtsp:// address with a host: an
    // IPv4 or IPv6 address, or a name of letters, digits, dots, hyphens and
    // underscores.
    static std::optional<RelayRoute> forCamera(std::string_view cameraAddress,
                                               std::uint16_t relayPort);

    const std::string& playerAddress() const { return playerAddress_; }
    // The camera's address when its host is one; nothing for a name.
    const std::optional<SocketAddress>& cameraAddress() const { return address_; }
    const std::string& hostName() const { return host_; }
    unsigned port() const { return port_; }

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
    std::optional<SocketAddress> address_;
    std::string host_;
    unsigned port_ = 0;
};

} // namespace rure::rtsp
