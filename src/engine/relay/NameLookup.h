#pragma once

#include <sys/socket.h>

#include <memory>
#include <string>
#include <vector>

namespace rure::rtsp {

struct SocketAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
};

// One look-up of a host name's addresses for TCP, on a thread of its own so
// that whoever waits for it can stop waiting: a resolver that hangs (a DNS
// server that does not answer) keeps only that thread, which ends by itself.
class NameLookup {
public:
    NameLookup(const std::string& host, unsigned port);

    // Readable once the answer is in.
    int readyDescriptor() const;
    // After readyDescriptor() turned readable: the addresses, in the
    // resolver's order, or why there are none (the resolver's words).
    std::vector<SocketAddress> addresses() const;
    std::string failure() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace rure::rtsp
