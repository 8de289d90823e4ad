#include "RtspTap.h"

#include "BenchSupport.h"

#include <QUrl>

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace rure::bench {

namespace {

constexpr int pollMilliseconds = 100;
constexpr std::size_t keptPictures = 600; // 20 s at 30 pictures a second

int loopbackSocket(quint16 port, bool listen) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto* generic = reinterpret_cast<const sockaddr*>(&address);
    const bool ok = listen ? ::bind(fd, generic, sizeof address) == 0 && ::listen(fd, 16) == 0
                           : ::connect(fd, generic, sizeof address) == 0;
    if (!ok) {
        ::close(fd);
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

bool sendAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

// The length of the RTSP message at the start of `data` (head and body), or 0
// while it is incomplete.
std::size_t rtspMessageLength(const std::vector<unsigned char>& data) {
    static constexpr char end[] = "\r\n\r\n";
    const auto head = std::search(data.begin(), data.end(), end, end + 4);
    if (head == data.end()) {
        return 0;
    }
    const std::size_t headLength = static_cast<std::size_t>(head - data.begin()) + 4;
    std::string text(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(headLength));
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::size_t body = 0;
    if (const auto at = text.find("content-length:"); at != std::string::npos) {
        body = std::strtoul(text.c_str() + at + 15, nullptr, 10);
    }
    return data.size() >= headLength + body ? headLength + body : 0;
}

// Whether an H.264 RTP payload carries a key frame or its parameter sets: an
// IDR slice, SPS or PPS, alone, first in an aggregate (STAP-A) or fragmented
// (FU-A).
bool carriesH264KeyFrame(const unsigned char* payload, std::size_t size) {
    if (size < 2) {
        return false;
    }
    int type = payload[0] & 0x1f;
    if (type == 24 && size >= 4) { // STAP-A: a 16-bit size, then the first unit
        type = payload[3] & 0x1f;
    } else if (type == 28) { // FU-A: the unit's type is in the fragment header
        type = payload[1] & 0x1f;
    }
    return type == 5 || type == 7 || type == 8;
}

// The same for H.265: an IRAP picture (types 16 to 23), VPS, SPS or PPS, alone,
// first in an aggregate (AP) or fragmented (FU).
bool carriesH265KeyFrame(const unsigned char* payload, std::size_t size) {
    if (size < 3) {
        return false;
    }
    int type = (payload[0] >> 1) & 0x3f;
    if (type == 48 && size >= 7) { // AP: a 16-bit size, then the first unit
        type = (payload[4] >> 1) & 0x3f;
    } else if (type == 49) { // FU: the unit's type is in the fragment header
        type = payload[2] & 0x3f;
    }
    return (type >= 16 && type <= 23) || (type >= 32 && type <= 34);
}

} // namespace

RtspTap::RtspTap(quint16 cameraPort, bool h265) : cameraPort_(cameraPort), h265_(h265) {
    listener_ = loopbackSocket(0, true);
    if (listener_ < 0) {
        return;
    }
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length);
    port_ = ntohs(bound.sin_port);
    acceptor_ = std::thread([this] { accept(); });
}

RtspTap::~RtspTap() {
    stopping_ = true;
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    std::lock_guard lock(connectionsMutex_);
    for (std::thread& connection : connections_) {
        connection.join();
    }
    if (listener_ >= 0) {
        ::close(listener_);
    }
}

QString RtspTap::relayed(const QString& cameraUrl) const {
    QUrl url(cameraUrl);
    url.setPort(port_);
    return url.toString();
}

void RtspTap::accept() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, pollMilliseconds) <= 0) {
            continue;
        }
        const int player = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (player < 0) {
            continue;
        }
        const int on = 1;
        ::setsockopt(player, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard lock(connectionsMutex_);
        connections_.emplace_back([this, player] { relay(player); });
    }
}

void RtspTap::relay(int player) {
    const int camera = loopbackSocket(cameraPort_, false);
    std::vector<unsigned char> pending;
    unsigned char buffer[65536];
    while (camera >= 0 && !stopping_) {
        pollfd ends[2] = {{player, POLLIN, 0}, {camera, POLLIN, 0}};
        if (::poll(ends, 2, pollMilliseconds) <= 0) {
            continue;
        }
        bool open = true;
        for (int side = 0; side < 2 && open; ++side) {
            if ((ends[side].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            const ssize_t got = ::recv(ends[side].fd, buffer, sizeof buffer, 0);
            open = got > 0 && sendAll(ends[1 - side].fd, buffer, static_cast<std::size_t>(got));
            if (open && side == 1) {
                pending.insert(pending.end(), buffer, buffer + got);
                notePackets(pending);
            }
        }
        if (!open) {
            break;
        }
    }
    if (camera >= 0) {
        ::close(camera);
    }
    ::close(player);
}

void RtspTap::notePackets(std::vector<unsigned char>& pending) {
    std::size_t used = 0;
    while (used < pending.size()) {
        if (pending[used] == '$') {
            if (pending.size() - used < 4) {
                break;
            }
            const std::size_t length = (std::size_t(pending[used + 2]) << 8) | pending[used + 3];
            if (pending.size() - used < 4 + length) {
                break;
            }
            // Even channels carry RTP; the video is the first stream.
            if (pending[used + 1] == 0) {
                notePacket(pending.data() + used + 4, length);
            }
            used += 4 + length;
        } else {
            const std::vector<unsigned char> rest(
                pending.begin() + static_cast<std::ptrdiff_t>(used), pending.end());
            const std::size_t message = rtspMessageLength(rest);
            if (message == 0) {
                break;
            }
            used += message;
        }
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));
}

void RtspTap::notePacket(const unsigned char* rtp, std::size_t size) {
    if (size < 12) {
        return;
    }
    const std::int64_t now = monotonicNanoseconds();
    const bool marker = (rtp[1] & 0x80) != 0;
    const bool keyFrame =
        h265_ ? carriesH265KeyFrame(rtp + 12, size - 12) : carriesH264KeyFrame(rtp + 12, size - 12);
    std::uint32_t timestamp = 0;
    std::memcpy(&timestamp, rtp + 4, 4);
    timestamp = ntohl(timestamp);
    std::lock_guard lock(picturesMutex_);
    if (pictures_.empty() || pictures_.back().timestamp != timestamp || pictures_.back().complete) {
        pictures_.push_back({timestamp, now, now, 0, false, false});
        if (pictures_.size() > keptPictures) {
            pictures_.pop_front();
        }
    }
    Picture& picture = pictures_.back();
    picture.bytes += size - 12;
    picture.lastPacketAt = now;
    picture.complete = marker;
    picture.keyFrame = picture.keyFrame || keyFrame;
}

std::optional<std::int64_t> RtspTap::lastPacketOfPictureAfter(std::int64_t instant,
                                                              std::size_t minimumBytes) const {
    std::lock_guard lock(picturesMutex_);
    for (const Picture& picture : pictures_) {
        if (picture.firstPacketAt > instant && picture.complete && !picture.keyFrame &&
            picture.bytes >= minimumBytes) {
            return picture.lastPacketAt;
        }
    }
    return std::nullopt;
}

} // namespace rure::bench
