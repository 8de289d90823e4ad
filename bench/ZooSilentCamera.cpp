#include "ZooSilentCamera.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace rure::bench {

namespace {

// How often the thread looks whether it should end.
constexpr int pollMilliseconds = 100;

} // namespace

ZooSilentCamera::ZooSilentCamera() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        return;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listener_);
        listener_ = -1;
        return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

ZooSilentCamera::~ZooSilentCamera() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listener_ >= 0) {
        ::close(listener_);
    }
}

void ZooSilentCamera::run() {
    std::vector<pollfd> watched{{listener_, POLLIN, 0}};
    char discard[4096];
    while (!stopping_) {
        if (::poll(watched.data(), watched.size(), pollMilliseconds) <= 0) {
            continue;
        }
        for (size_t i = watched.size(); i-- > 1;) {
            if (watched[i].revents == 0) {
                continue;
            }
            if (::read(watched[i].fd, discard, sizeof discard) <= 0) {
                ::close(watched[i].fd);
                watched.erase(watched.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        if (watched.front().revents & POLLIN) {
            const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0) {
                watched.push_back({connection, POLLIN, 0});
            }
        }
    }
    for (size_t i = 1; i < watched.size(); ++i) {
        ::close(watched[i].fd);
    }
}

} // namespace rure::bench
