/* Preloaded into a program under test: records the destination of every
 * internet socket connection attempt and datagram it sends, one line each, in
 * the file named by RURE_CONNECT_AUDIT ("<call> <address> <port>"). A
 * connect() that only asks how an attempt still in progress on the same
 * socket ended (what QTcpSocket does) is not a new attempt and is not
 * recorded. Other socket
 * families (local sockets to the display and the bus, netlink) are not
 * network traffic and are not recorded. The calls themselves go on unchanged.
 *
 * Every socket that listens is recorded as "listen <address> <port>": the
 * program's own endpoints, which its other parts may connect to.
 *
 * Every name look-up through getaddrinfo() is recorded too ("lookup <name>").
 * A name in the reserved top-level domain .invalid (RFC 6761) never resolves,
 * so such a look-up fails with EAI_NONAME at once, without the real resolver:
 * a camera whose name does not resolve can be played without a single query
 * leaving the machine. Other names go to the real getaddrinfo() unchanged. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

static void append(const char* line, int size) {
    const char* path = getenv("RURE_CONNECT_AUDIT");
    if (!path || size <= 0) {
        return;
    }
    const int file = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (file >= 0) {
        /* One write per line: appends from several threads stay whole. */
        if (write(file, line, (size_t)size) < 0) {
        }
        close(file);
    }
}

static void record(const char* call, const struct sockaddr* address, socklen_t length) {
    if (!getenv("RURE_CONNECT_AUDIT") || !address || length < (socklen_t)sizeof(sa_family_t)) {
        return;
    }
    char host[INET6_ADDRSTRLEN] = "";
    unsigned port = 0;
    if (address->sa_family == AF_INET && length >= (socklen_t)sizeof(struct sockaddr_in)) {
        const struct sockaddr_in* inet = (const struct sockaddr_in*)address;
        inet_ntop(AF_INET, &inet->sin_addr, host, sizeof host);
        port = ntohs(inet->sin_port);
    } else if (address->sa_family == AF_INET6 && length >= (socklen_t)sizeof(struct sockaddr_in6)) {
        const struct sockaddr_in6* inet6 = (const struct sockaddr_in6*)address;
        inet_ntop(AF_INET6, &inet6->sin6_addr, host, sizeof host);
        port = ntohs(inet6->sin6_port);
    } else {
        return;
    }
    char line[128];
    append(line, snprintf(line, sizeof line, "%s %s %u\n", call, host, port));
}

/* "lookup <name>" ("lookup -" for a look-up of a service alone), the name cut
 * at 255 bytes and its blanks and control characters replaced, so that every
 * call stays one line of two fields. */
static void recordLookup(const char* name) {
    if (!getenv("RURE_CONNECT_AUDIT")) {
        return;
    }
    enum { longestName = 255 };
    static const char prefix[] = "lookup ";
    char line[sizeof prefix + longestName + 1];
    size_t size = sizeof prefix - 1;
    memcpy(line, prefix, size);
    const size_t end = size + longestName;
    for (const char* c = name ? name : "-"; *c && size < end; ++c) {
        line[size++] = (unsigned char)*c <= ' ' || *c == 0x7f ? '?' : *c;
    }
    line[size++] = '\n';
    append(line, (int)size);
}

/* True for "invalid" names: those ending in ".invalid", with or without the
 * final dot, in any case. */
static int isInvalidName(const char* name) {
    static const char suffix[] = ".invalid";
    const size_t suffixLength = sizeof suffix - 1;
    size_t length = strlen(name);
    if (length > 0 && name[length - 1] == '.') {
        --length;
    }
    return length >= suffixLength &&
           strncasecmp(name + length - suffixLength, suffix, suffixLength) == 0;
}

int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                struct addrinfo** result) {
    static int (*next)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
    if (!next) {
        next = (int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**))dlsym(
            RTLD_NEXT, "getaddrinfo");
    }
    recordLookup(node);
    if (node && isInvalidName(node)) {
        return EAI_NONAME;
    }
    return next(node, service, hints, result);
}

int listen(int socket, int backlog) {
    static int (*next)(int, int);
    if (!next) {
        next = (int (*)(int, int))dlsym(RTLD_NEXT, "listen");
    }
    const int result = next(socket, backlog);
    const int error = errno;
    if (result == 0) {
        struct sockaddr_storage bound;
        socklen_t length = sizeof bound;
        if (getsockname(socket, (struct sockaddr*)&bound, &length) == 0) {
            record("listen", (const struct sockaddr*)&bound, length);
        }
    }
    errno = error;
    return result;
}

/* Sockets with a connection attempt in progress (connect() answered
 * EINPROGRESS and has not been asked again since). */
enum { trackedSockets = 65536 };
static unsigned char attemptInProgress[trackedSockets];

int connect(int socket, const struct sockaddr* address, socklen_t length) {
    static int (*next)(int, const struct sockaddr*, socklen_t);
    if (!next) {
        next = (int (*)(int, const struct sockaddr*, socklen_t))dlsym(RTLD_NEXT, "connect");
    }
    const int tracked = socket >= 0 && socket < trackedSockets;
    if (!tracked || !__atomic_load_n(&attemptInProgress[socket], __ATOMIC_RELAXED)) {
        record("connect", address, length);
    }
    const int result = next(socket, address, length);
    const int error = errno;
    if (tracked) {
        const int inProgress = result != 0 && (error == EINPROGRESS || error == EALREADY);
        __atomic_store_n(&attemptInProgress[socket], (unsigned char)inProgress, __ATOMIC_RELAXED);
    }
    errno = error;
    return result;
}

/* A socket closed with an attempt in progress: its number may come back for
 * a new socket. */
int close(int descriptor) {
    static int (*next)(int);
    if (!next) {
        next = (int (*)(int))dlsym(RTLD_NEXT, "close");
    }
    if (descriptor >= 0 && descriptor < trackedSockets) {
        __atomic_store_n(&attemptInProgress[descriptor], 0, __ATOMIC_RELAXED);
    }
    return next(descriptor);
}

ssize_t sendto(int socket, const void* buffer, size_t size, int flags,
               const struct sockaddr* address, socklen_t length) {
    static ssize_t (*next)(int, const void*, size_t, int, const struct sockaddr*, socklen_t);
    if (!next) {
        next = (ssize_t(*)(int, const void*, size_t, int, const struct sockaddr*, socklen_t))dlsym(
            RTLD_NEXT, "sendto");
    }
    record("sendto", address, length);
    return next(socket, buffer, size, flags, address, length);
}

ssize_t sendmsg(int socket, const struct msghdr* message, int flags) {
    static ssize_t (*next)(int, const struct msghdr*, int);
    if (!next) {
        next = (ssize_t(*)(int, const struct msghdr*, int))dlsym(RTLD_NEXT, "sendmsg");
    }
    if (message) {
        record("sendmsg", (const struct sockaddr*)message->msg_name, message->msg_namelen);
    }
    return next(socket, message, flags);
}
