#include "RtspRelay.h"

#include "engine/relay/RtspRelayConnection.h"

#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

namespace rure::rtsp {

RtspRelay::RtspRelay() : stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    FileDescriptor listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (!stop_.valid() || !listener.valid() ||
        ::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.get(), 8) != 0 ||
        ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return;
    }
    listener_ = std::move(listener);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] {
        ::pthread_setname_np(::pthread_self(), "rure rtsp relay");
        accept();
    });
}

RtspRelay::~RtspRelay() {
    if (stop_.valid()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(stop_.get(), &one, sizeof one);
    }
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    for (Connection& connection : connections_) {
        connection.thread.join();
    }
}

QString RtspRelay::route(const QString& cameraAddress) {
    if (!listener_.valid()) {
        return cameraAddress;
    }
    std::optional<RelayRoute> route = RelayRoute::forCamera(cameraAddress.toStdString(), port_);
    if (!route) {
        return cameraAddress;
    }
    const QString playerAddress = QString::fromStdString(route->playerAddress());
    std::lock_guard lock(routeMutex_);
    if (!route_ || route_->playerAddress() != route->playerAddress()) {
        marksTooSoon_ = std::make_shared<std::atomic<bool>>(false);
    }
    route_ = std::move(route);
    return playerAddress;
}

void RtspRelay::accept() {
    for (;;) {
        pollfd ends[2] = {{listener_.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
        if (::poll(ends, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if (ends[1].revents != 0) {
            return;
        }
        if (ends[0].revents == 0) {
            continue;
        }
        FileDescriptor player(
            ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!player.valid()) {
            continue;
        }
        std::optional<RelayRoute> route;
        std::shared_ptr<std::atomic<bool>> marksTooSoon;
        {
            std::lock_guard lock(routeMutex_);
            route = route_;
            marksTooSoon = marksTooSoon_;
        }
        if (!route) {
            continue;
        }
        joinFinished();
        auto finished = std::make_shared<std::atomic<bool>>(false);
        connections_.push_back({std::thread([player = std::move(player), route = std::move(*route),
                                             marksTooSoon = std::move(marksTooSoon),
                                             stop = stop_.get(), finished]() mutable {
                                    ::pthread_setname_np(::pthread_self(), "rure rtsp pass");
                                    RtspRelayConnection(std::move(player), std::move(route),
                                                        std::move(marksTooSoon), stop)
                                        .run();
                                    *finished = true;
                                }),
                                finished});
    }
}

void RtspRelay::joinFinished() {
    std::erase_if(connections_, [](Connection& connection) {
        if (!*connection.finished) {
            return false;
        }
        connection.thread.join();
        return true;
    });
}

} // namespace rure::rtsp
