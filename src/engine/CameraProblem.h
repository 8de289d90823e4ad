#pragma once

#include <optional>
#include <string_view>

namespace rure {

// Why a camera could not be played, as far as the engine's error messages
// tell. Only the kind is kept: the messages themselves can hold the camera's
// address with its user name and password, and never leave the engine's
// event loop.
enum class CameraProblem {
    // The camera turned the user name or password down (or asked for one).
    credentialsRefused,
    // The camera answers, but serves no stream at the address's path.
    addressNotServed,
    // Nothing listens at the address's port.
    connectionRefused,
    // The camera did not answer in time, or no route leads to it.
    noAnswer,
};

// The problem that one of the engine's error-level messages names; nothing
// for the many messages that name none of them.
std::optional<CameraProblem> cameraProblemFromEngineMessage(std::string_view text);

} // namespace rure
