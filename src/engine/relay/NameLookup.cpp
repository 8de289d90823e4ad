#include "NameLookup.h"

#include "common/FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace rure::rtsp {

struct NameLookup::State {
    FileDescriptor ready{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    mutable std::mutex mutex;
    std::vector<SocketAddress> addresses;
    std::string failure;
};

NameLookup::NameLookup(const std::string& host, unsigned port) : state_(std::make_shared<State>()) {
    std::thread([state = state_, host, service = std::to_string(port)] {
        ::pthread_setname_np(::pthread_self(), "rure rtsp name");
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
        addrinfo* found = nullptr;
        const int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
        {
            std::lock_guard lock(state->mutex);
            if (status != 0) {
                state->failure =
                    status == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(status);
            }
            for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
                if (entry->ai_addrlen <= sizeof(sockaddr_storage)) {
                    SocketAddress address;
                    std::memcpy(&address.address, entry->ai_addr, entry->ai_addrlen);
                    address.length = entry->ai_addrlen;
                    state->addresses.push_back(address);
                }
            }
        }
        if (found != nullptr) {
            ::freeaddrinfo(found);
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(state->ready.get(), &one, sizeof one);
    }).detach();
}

int NameLookup::readyDescriptor() const {
    return state_->ready.get();
}

std::vector<SocketAddress> NameLookup::addresses() const {
    std::lock_guard lock(state_->mutex);
    return state_->addresses;
}

std::string NameLookup::failure() const {
    std::lock_guard lock(state_->mutex);
    return state_->failure.empty() && state_->addresses.empty() ? "No address" : state_->failure;
}

} // namespace rure::rtsp
