#include "RtspRelayConnection.h"

#include "common/RureLog.h"
#include "engine/relay/RtspUnits.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace rure::rtsp {

namespace {

constexpr int firstRequestWaitMilliseconds = 2000;
constexpr int nextAddressAfterMilliseconds = 2000;
constexpr std::size_t receiveBytes = 64 * 1024;

void sendAtOnce(int fd) {
    const int on = 1;
    // Each picture's packets go on at once, not gathered.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Waits for `events` on `fd` or for `stop`; false on stop or a poll error.
bool waitFor(int fd, short events, int stop, int milliseconds = -1) {
    pollfd ends[2] = {{fd, events, 0}, {stop, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(ends, 2, milliseconds);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0 && (ends[1].revents & POLLIN) == 0;
    }
}

// The whole units at the start of `pending`, each passed through `unit`, and
// the rest once the stream is unreadable; what was used is removed.
template <typename Unit> std::string takeUnits(std::string& pending, bool& unread, Unit unit) {
    std::string out;
    std::size_t used = 0;
    while (!unread && used < pending.size()) {
        const std::string_view rest = std::string_view(pending).substr(used);
        const Split split = splitUnit(rest);
        if (split.status == SplitStatus::incomplete) {
            break;
        }
        if (split.status == SplitStatus::unreadable) {
            unread = true;
            break;
        }
        unit(split.kind, rest.substr(0, split.length), out);
        used += split.length;
    }
    if (unread) {
        out.append(pending, used);
        used = pending.size();
    }
    pending.erase(0, used);
    return out;
}

} // namespace

RtspRelayConnection::RtspRelayConnection(FileDescriptor player, RelayRoute route,
                                         std::shared_ptr<std::atomic<bool>> marksTooSoon, int stop)
    : player_(std::move(player)), route_(std::move(route)), marksTooSoon_(std::move(marksTooSoon)),
      stop_(stop), pictureEnds_(!*marksTooSoon_) {}

void RtspRelayConnection::run() {
    sendAtOnce(player_.get());
    if (!connectCamera()) {
        return;
    }
    for (;;) {
        pollfd ends[3] = {
            {player_.get(), POLLIN, 0}, {camera_.get(), POLLIN, 0}, {stop_, POLLIN, 0}};
        if (::poll(ends, 3, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (ends[2].revents != 0) {
            return;
        }
        if (ends[0].revents != 0 && (!receive(player_.get(), fromPlayer_) || !sendToCamera())) {
            return;
        }
        if (ends[1].revents != 0 && (!receive(camera_.get(), fromCamera_) || !sendToPlayer())) {
            return;
        }
    }
}

bool RtspRelayConnection::connectCamera() {
    std::vector<SocketAddress> addresses;
    if (route_.cameraAddress()) {
        addresses.push_back(*route_.cameraAddress());
    } else {
        const NameLookup lookup(route_.hostName(), route_.port());
        if (waitBuffering(lookup.readyDescriptor(), POLLIN, -1) != Wait::ready) {
            return false;
        }
        addresses = lookup.addresses();
        if (addresses.empty()) {
            answerUnreachable(lookup.failure());
            return false;
        }
    }
    // Like the engine, every address of a name in turn; one that does not
    // answer at all is given a moment before the next is tried.
    int error = 0;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const bool last = i + 1 == addresses.size();
        error = attemptCamera(addresses[i], last ? -1 : nextAddressAfterMilliseconds);
        if (error == 0) {
            return sendToCamera();
        }
        if (error < 0) {
            return false;
        }
    }
    answerUnreachable(std::strerror(error));
    return false;
}

int RtspRelayConnection::attemptCamera(const SocketAddress& address, int milliseconds) {
    const auto* target = reinterpret_cast<const sockaddr*>(&address.address);
    camera_ =
        FileDescriptor(::socket(target->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!camera_.valid()) {
        return errno;
    }
    sendAtOnce(camera_.get());
    if (::connect(camera_.get(), target, address.length) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    // The engine's first request comes in while the camera answers the
    // connection; it waits in fromPlayer_.
    switch (waitBuffering(camera_.get(), POLLOUT, milliseconds)) {
    case Wait::ended:
        return -1;
    case Wait::timedOut:
        return ETIMEDOUT;
    case Wait::ready:
        break;
    }
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(camera_.get(), SOL_SOCKET, SO_ERROR, &error, &length);
    return error;
}

RtspRelayConnection::Wait RtspRelayConnection::waitBuffering(int fd, short events,
                                                             int milliseconds) {
    for (;;) {
        pollfd ends[3] = {{fd, events, 0}, {player_.get(), POLLIN, 0}, {stop_, POLLIN, 0}};
        const int ready = ::poll(ends, 3, milliseconds);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || ends[2].revents != 0) {
            return Wait::ended;
        }
        if (ready == 0) {
            return Wait::timedOut;
        }
        if (ends[1].revents != 0 && !receive(player_.get(), fromPlayer_)) {
            return Wait::ended;
        }
        if (ends[0].revents != 0) {
            return Wait::ready;
        }
    }
}

void RtspRelayConnection::answerUnreachable(const std::string& reason) {
    // The request's sequence number is echoed, as every answer does.
    Split split = splitUnit(fromPlayer_);
    while (split.status == SplitStatus::incomplete &&
           waitFor(player_.get(), POLLIN, stop_, firstRequestWaitMilliseconds) &&
           receive(player_.get(), fromPlayer_)) {
        split = splitUnit(fromPlayer_);
    }
    if (split.status != SplitStatus::unit || split.kind != UnitKind::message) {
        return;
    }
    const Message request = messageParts(std::string_view(fromPlayer_).substr(0, split.length));
    std::string answer = "RTSP/1.0 503 ";
    answer += reason;
    answer += "\r\nCSeq: ";
    answer += headerValue(request.headers, "CSeq").value_or("0");
    answer += "\r\n\r\n";
    sendAll(player_.get(), answer);
}

bool RtspRelayConnection::receive(int from, std::string& into) {
    const std::size_t had = into.size();
    into.resize(had + receiveBytes);
    for (;;) {
        const ssize_t got = ::recv(from, into.data() + had, receiveBytes, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            into.resize(had);
            return true;
        }
        into.resize(had + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        return got > 0;
    }
}

bool RtspRelayConnection::sendToCamera() {
    const std::string out =
        takeUnits(fromPlayer_, playerUnread_,
                  [this](UnitKind kind, std::string_view unit, std::string& sent) {
                      if (kind == UnitKind::interleaved) {
                          sent += unit;
                          return;
                      }
                      const std::string request = route_.requestForCamera(unit);
                      pictureEnds_.request(request);
                      sent += request;
                  });
    return sendAll(camera_.get(), out);
}

bool RtspRelayConnection::sendToPlayer() {
    const bool stoppedBefore = pictureEnds_.stopped();
    const std::string out =
        takeUnits(fromCamera_, cameraUnread_,
                  [this](UnitKind kind, std::string_view unit, std::string& sent) {
                      sent += unit;
                      if (kind == UnitKind::message) {
                          pictureEnds_.answer(unit);
                      } else if (const std::optional<std::string> delimiter =
                                     pictureEnds_.delimiterAfter(unit)) {
                          sent += *delimiter;
                      }
                  });
    if (pictureEnds_.stopped() && !stoppedBefore) {
        *marksTooSoon_ = true;
        RureLog::playback().info(QStringLiteral(
            "The camera sends packets of a picture after the one it marks as the last: its "
            "pictures are now passed on unchanged."));
    }
    return sendAll(player_.get(), out);
}

bool RtspRelayConnection::sendAll(int to, std::string_view data) {
    while (!data.empty()) {
        const ssize_t sent = ::send(to, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            data.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(to, POLLOUT, stop_)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

} // namespace rure::rtsp
