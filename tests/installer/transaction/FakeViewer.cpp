// A stand-in for a running viewer: started from a copy inside a test bundle so
// that its executable looks like the viewer's. Argument "ignores-quit" makes it
// ignore SIGTERM (like a viewer held open by a modal dialog); otherwise SIGTERM
// ends it. It says "ready" once its signal handling is set, and answers each
// "ping" line on standard input with "pong", so a test can tell that it is
// still alive without waiting for anything to time out.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "ignores-quit") == 0) {
        std::signal(SIGTERM, SIG_IGN);
    }
    // A helper that a broken test leaves behind must not outlive it for long.
    alarm(600);
    std::puts("ready");
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        if (std::strcmp(line, "ping\n") == 0) {
            std::puts("pong");
            std::fflush(stdout);
        }
    }
    return 0;
}
