// Whether the machine has a route to a camera, asked in a network namespace of
// the test's own: at first only a loopback interface that is down, then up.
#include "platform/RouteCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace rure {
namespace {

bool bringLoopbackUp() {
    const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (control < 0) {
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ::ioctl(control, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = up && ::ioctl(control, SIOCSIFFLAGS, &request) == 0;
    ::close(control);
    return up;
}

TEST(RouteCheck, aCameraHasARouteOnlyThroughAnInterfaceThatIsUp) {
    const struct {
        const char* host;
        bool whileLoopbackIsDown;
        bool onceItIsUp;
    } cases[] = {
        {"127.0.0.1", false, true},
        {"10.9.8.7", false, false},     // no default route, no such subnet
        {"camera.local", false, false}, // a name: not looked up here
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Each failed expectation sets one bit of the exit status.
        int failures = 0;
        if (::unshare(CLONE_NEWNET) != 0) {
            ::_exit(255);
        }
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            failures |=
                hasRouteTo(QString::fromLatin1(cases[i].host)) != cases[i].whileLoopbackIsDown
                    ? 1 << i
                    : 0;
        }
        if (!bringLoopbackUp()) {
            ::_exit(254);
        }
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            failures |= hasRouteTo(QString::fromLatin1(cases[i].host)) != cases[i].onceItIsUp
                            ? 1 << (i + 4)
                            : 0;
        }
        ::_exit(failures);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    const int failures = WEXITSTATUS(status);
    if (failures == 255) {
        GTEST_SKIP() << "no network namespace of the test's own here";
    }
    ASSERT_NE(failures, 254) << "the namespace's loopback interface did not come up";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].host);
        EXPECT_FALSE(failures & (1 << i)) << "while the loopback interface is down";
        EXPECT_FALSE(failures & (1 << (i + 4))) << "once it is up";
    }
}

} // namespace
} // namespace rure
