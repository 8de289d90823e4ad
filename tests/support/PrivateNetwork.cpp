#include "PrivateNetwork.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rure::test {

namespace {

std::string failure(const std::string& step) {
    return step + ": " + std::strerror(errno);
}

void setIPv4(sockaddr& address, in_addr_t value) {
    sockaddr_in ipv4{};
    ipv4.sin_family = AF_INET;
    ipv4.sin_addr.s_addr = htonl(value);
    std::memcpy(&address, &ipv4, sizeof ipv4);
}

} // namespace

std::optional<std::string> enterPrivateNetwork() {
    if (::unshare(CLONE_NEWNET) != 0) {
        return failure("cannot create a network namespace (these tests need root, or "
                       "CAP_SYS_ADMIN): unshare(CLONE_NEWNET)");
    }
    const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (control < 0) {
        return failure("socket");
    }
    std::optional<std::string> error;
    ifreq loopback{};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    if (::ioctl(control, SIOCGIFFLAGS, &loopback) != 0) {
        error = failure("reading the flags of lo");
    } else {
        loopback.ifr_flags = static_cast<short>(loopback.ifr_flags | IFF_UP | IFF_MULTICAST);
        if (::ioctl(control, SIOCSIFFLAGS, &loopback) != 0) {
            error = failure("bringing lo up with multicast");
        }
    }
    if (!error) {
        rtentry route{};
        setIPv4(route.rt_dst, 0xEF000000);     // 239.0.0.0
        setIPv4(route.rt_genmask, 0xFF000000); // /8
        setIPv4(route.rt_gateway, 0);
        route.rt_flags = RTF_UP;
        char device[] = "lo";
        route.rt_dev = device;
        if (::ioctl(control, SIOCADDRT, &route) != 0) {
            error = failure("routing 239.0.0.0/8 through lo");
        }
    }
    ::close(control);
    return error;
}

} // namespace rure::test
