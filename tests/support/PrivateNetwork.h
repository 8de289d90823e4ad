#pragma once

#include <optional>
#include <string>

namespace rure::test {

// Moves this process into a network namespace of its own, with only its
// loopback interface, up and able to multicast, and 239.0.0.0/8 routed
// through it: WS-Discovery's multicast then reaches the test's own devices
// and nothing else, and nothing outside hears it. Call it first in main,
// before any thread starts; threads and child processes started afterwards
// share the namespace. Answers what failed, or nothing.
std::optional<std::string> enterPrivateNetwork();

} // namespace rure::test
